// Time of one settings save, which every handler of the main window runs on
// the user-interface thread (the size fields save at every keystroke).
//
//   build/bench/settings_save_bench [folder]   (default: the current folder)
//
// Each save reads the file, rewrites it into a temporary file, flushes that
// to disk and renames it over the original, so the figure is dominated by
// the flush of the file system holding `folder`.
#include <chrono>
#include <cstdio>
#include <string>

#include "core/settings.h"

int main(int argc, char** argv) {
    const std::string path = std::string(argc > 1 ? argv[1] : ".") + "/pref-bench.vrn";
    constexpr int rounds = 200;
    pixmold::Settings settings = pixmold::load_settings(path, 1920, 1080);
    auto t0 = std::chrono::steady_clock::now();
    for (int i = 0; i < rounds; ++i) {
        settings.quality = i % 11;
        pixmold::write_setting(path, settings, pixmold::SettingKey::Quality);
    }
    auto t1 = std::chrono::steady_clock::now();
    for (int i = 0; i < rounds; ++i) pixmold::write_all_settings(path, settings);
    auto t2 = std::chrono::steady_clock::now();
    auto per_save = [](auto from, auto to) { return std::chrono::duration<double, std::milli>(to - from).count() / rounds; };
    std::printf("one setting: %.2f ms per save\nall settings: %.2f ms per save\n", per_save(t0, t1),
                per_save(t1, t2));
    std::remove(path.c_str());
    return 0;
}
