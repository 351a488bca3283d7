#include "app/settings_place.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <iterator>

#include "platform/atomic_file.h"
#include "platform/prefs_file.h"
#include "platform/system.h"

namespace pixmold {

namespace {

constexpr const char* SETTINGS_FILE = "/pref.vrn";

bool absolute(const char* path) { return path && path[0] == '/'; }

std::string home_folder() {
    const char* home = std::getenv("HOME");
    if (absolute(home)) return home;
    const passwd* entry = ::getpwuid(::getuid());
    return entry && absolute(entry->pw_dir) ? entry->pw_dir : "";
}

// Creates `folder` and its missing parents, each private to the user; a
// folder that exists keeps its mode.
void create_private_folder(const std::string& folder) {
    for (std::size_t end = folder.find('/', 1);; end = folder.find('/', end + 1)) {
        const std::string part = folder.substr(0, end);
        if (::mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) return;
        if (end == std::string::npos) return;
    }
}

// A file that holds settings is copied as it is; anything else at home
// (a file of another program under that name) is left alone.
void adopt_home_settings(const std::string& home, const std::string& file) {
    const PrefsFileKind here = prefs_file_kind(file);
    if (here != PrefsFileKind::Missing && here != PrefsFileKind::Empty) return;
    const std::string old = home + SETTINGS_FILE;
    if (prefs_file_kind(old) != PrefsFileKind::Groups) return;
    std::ifstream in(old, std::ios::binary);
    const std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    if (in.good() || in.eof()) write_file_atomically(file, bytes);
}

}  // namespace

bool take_menu_option(int& argc, char** argv) {
    bool found = false;
    int kept = 1;
    bool options_ended = false;  // after "--", every argument is a file's name
    for (int i = 1; i < argc; ++i) {
        options_ended = options_ended || std::string_view(argv[i]) == "--";
        if (!options_ended && argv[i] == MENU_OPTION)
            found = true;
        else
            argv[kept++] = argv[i];
    }
    if (kept < argc) argv[kept] = nullptr;
    argc = kept;
    return found;
}

std::string menu_settings_folder(const char* xdg_config_home, const char* home) {
    std::string base;
    if (absolute(xdg_config_home))
        base = xdg_config_home;
    else if (absolute(home))
        base = std::string(home) + "/.config";
    else
        return {};
    while (base.size() > 1 && base.back() == '/') base.pop_back();
    return base == "/" ? "/pixmold" : base + "/pixmold";
}

std::string settings_folder(bool from_menu) {
    if (!from_menu) return working_folder();
    const std::string home = home_folder();
    const std::string folder = menu_settings_folder(std::getenv("XDG_CONFIG_HOME"), home.empty() ? nullptr : home.c_str());
    if (folder.empty()) return working_folder();
    create_private_folder(folder);
    if (!home.empty()) adopt_home_settings(home, folder + SETTINGS_FILE);
    return folder;
}

}  // namespace pixmold
