// The user's choices (`Settings`) and their file, "pref.vrn".
//
// One process-wide record, `settings`, owned by the user-interface thread.
// The batch threads read it without locks while the user may change it, so
// every field is replaced as a whole and read atomically: numbers are
// atomics and texts are shared immutable strings swapped in one step.
//
// The file holds up to two groups: "DEFAUT" with the defaults written when it
// was created, and "USER" with everything saved since. Every operation opens
// the file, works and closes it.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

namespace pixmold {

// A number that one thread may change while others read it.
template <typename T>
class SettingNumber {
public:
    SettingNumber(T value = 0) : value_(value) {}
    SettingNumber(const SettingNumber& other) : value_(other.get()) {}
    SettingNumber& operator=(const SettingNumber& other) {
        set(other.get());
        return *this;
    }
    SettingNumber& operator=(T value) {
        set(value);
        return *this;
    }
    operator T() const { return get(); }
    T get() const { return value_.load(std::memory_order_relaxed); }
    void set(T value) { value_.store(value, std::memory_order_relaxed); }

private:
    std::atomic<T> value_;
};

// A text that one thread may replace while others read it.
class SettingText {
public:
    SettingText(std::string_view value = {}) : value_(std::make_shared<const std::string>(value)) {}
    SettingText(const SettingText& other) : value_(other.value_.load()) {}
    SettingText& operator=(const SettingText& other) {
        value_.store(other.value_.load());
        return *this;
    }
    SettingText& operator=(std::string_view value) {
        value_.store(std::make_shared<const std::string>(value));
        return *this;
    }
    SettingText& operator=(const char* value) { return *this = std::string_view(value); }
    SettingText& operator=(const std::string& value) { return *this = std::string_view(value); }
    std::string get() const { return *value_.load(); }
    operator std::string() const { return get(); }
    bool empty() const { return value_.load()->empty(); }
    friend bool operator==(const SettingText& a, std::string_view b) { return *a.value_.load() == b; }

private:
    std::atomic<std::shared_ptr<const std::string>> value_;
};

// Field names are the keys of the file.
struct Settings {
    SettingText MODE{"REL"};  // "REL" relative, "LIB" free
    SettingText TYPE{"JPG"};  // "JPG" or "PNG"
    SettingNumber<std::int64_t> QUALITE{8};
    SettingNumber<std::int64_t> Taille_Paysage{0};  // defaults: screen width
    SettingNumber<std::int64_t> Taille_Portrait{0};  // screen height
    SettingNumber<std::int64_t> FREE_L{0};  // screen width
    SettingNumber<std::int64_t> FREE_H{0};  // screen height
    SettingNumber<std::int16_t> L{0};  // screen width (low 16 bits)
    SettingNumber<std::int16_t> H{0};  // screen height (low 16 bits)
    SettingNumber<std::int64_t> VISIBLE{1};
    SettingText PREFIX{"prefix_"};  // "0": no prefix, outputs replace their sources
    SettingText LNG{"FR"};          // "FR" or "UK"
};

extern Settings settings;

// The defaults, for a screen of the given size.
Settings default_settings(int screen_width, int screen_height);

// Fills `settings` from the file at `path` (remembered for the saves below).
// The group read is "DEFAUT" when the file has exactly one group header,
// else "USER"; missing keys take their defaults. When the file cannot be
// opened or is empty, the defaults are used and a new file is written holding
// them in "DEFAUT" (silently skipped when that fails). Reading never rewrites
// a file that holds anything.
void load_settings(const std::string& path, int screen_width, int screen_height);

// Writes every field into group "USER" (an empty PREFIX is stored, and kept
// in memory, as "0"). Returns true only when the file reached the disk, and
// tells the save reporter either way.
bool save_all_settings();

// Write one key into "USER"; nothing else, nothing reported, failures silent.
void save_number(std::string_view key, std::int64_t value);
void save_text(std::string_view key, std::string_view text);

// -1 when the file cannot be opened, else the number of group headers.
int count_groups(const std::string& path);

// The file load_settings used.
std::string settings_file_path();

// Receives the outcome of every save_all_settings (the shell shows it).
using SaveReporter = std::function<void(bool saved)>;
void set_save_reporter(SaveReporter reporter);

}  // namespace pixmold
