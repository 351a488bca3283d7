#include "platform/temporary_files.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <ctime>
#include <mutex>
#include <unordered_map>

namespace pixmold {
namespace {

constexpr std::string_view PREFIX = ".pixmold-";
constexpr std::string_view CREATED_SUFFIX = ".tmp";
constexpr std::string_view LINKED_SUFFIX = ".new";  // as long as CREATED_SUFFIX
constexpr std::size_t HEX_DIGITS = 16;
constexpr long STALE_AFTER_SECONDS = 60;

std::uint64_t random_bits() {
    std::uint64_t bits = 0;
    if (::getrandom(&bits, sizeof bits, GRND_NONBLOCK) == ssize_t(sizeof bits)) return bits;
    // No entropy yet (early boot): unique enough, and O_EXCL settles any clash.
    static std::atomic<std::uint64_t> counter{0};
    const auto now = std::uint64_t(std::chrono::steady_clock::now().time_since_epoch().count());
    return now * 0x9E3779B97F4A7C15u ^ (std::uint64_t(::getpid()) << 32) ^ counter.fetch_add(1);
}

bool is_lower_hex(char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'); }

}  // namespace

std::string temporary_file_name(TemporaryName kind) {
    static constexpr char digits[] = "0123456789abcdef";
    std::uint64_t bits = random_bits();
    std::string name(PREFIX);
    for (std::size_t i = 0; i < HEX_DIGITS; ++i, bits >>= 4) name.push_back(digits[bits & 15]);
    name += kind == TemporaryName::Created ? CREATED_SUFFIX : LINKED_SUFFIX;
    return name;
}

bool is_temporary_file_name(std::string_view name) {
    if (name.size() != PREFIX.size() + HEX_DIGITS + CREATED_SUFFIX.size()) return false;
    const std::string_view suffix = name.substr(name.size() - CREATED_SUFFIX.size());
    if (name.substr(0, PREFIX.size()) != PREFIX || (suffix != CREATED_SUFFIX && suffix != LINKED_SUFFIX)) return false;
    for (char c : name.substr(PREFIX.size(), HEX_DIGITS))
        if (!is_lower_hex(c)) return false;
    return true;
}

int remove_stale_temporary_files(const std::string& folder, long min_age_seconds) {
    DIR* dir = ::opendir(folder.c_str());
    if (!dir) return 0;
    const int dir_fd = ::dirfd(dir);
    const std::time_t now = std::time(nullptr);
    int removed = 0;
    while (const dirent* entry = ::readdir(dir)) {
        const char* name = entry->d_name;
        if (!is_temporary_file_name(name)) continue;
        struct stat seen {};
        if (::fstatat(dir_fd, name, &seen, AT_SYMLINK_NOFOLLOW) != 0) continue;
        if (!S_ISREG(seen.st_mode) || seen.st_uid != ::geteuid()) continue;
        // A writer names a created file an instant before it locks it:
        // recent ones are left alone.
        const bool created = std::string_view(name).substr(PREFIX.size() + HEX_DIGITS) == CREATED_SUFFIX;
        if (created && now - seen.st_mtime < min_age_seconds) continue;
        int fd = ::openat(dir_fd, name, O_RDWR | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK);
        if (fd < 0) fd = ::openat(dir_fd, name, O_RDONLY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK);
        if (fd < 0) continue;
        struct stat held {};
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0 && ::fstat(fd, &held) == 0 && held.st_dev == seen.st_dev &&
            held.st_ino == seen.st_ino && ::unlinkat(dir_fd, name, 0) == 0)
            ++removed;
        ::close(fd);
    }
    ::closedir(dir);
    return removed;
}

void remove_stale_temporary_files_now_and_then(const std::string& folder) {
    using Clock = std::chrono::steady_clock;
    static std::mutex mutex;
    static std::unordered_map<std::string, Clock::time_point> last_look;
    const Clock::time_point now = Clock::now();
    {
        std::lock_guard lock(mutex);
        auto [at, fresh] = last_look.try_emplace(folder, now);
        if (!fresh) {
            if (now - at->second < std::chrono::seconds(STALE_AFTER_SECONDS)) return;
            at->second = now;
        }
        if (last_look.size() > 4096) last_look = {{folder, now}};
    }
    remove_stale_temporary_files(folder, STALE_AFTER_SECONDS);
}

}  // namespace pixmold
