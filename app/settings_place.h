// Where the window program keeps its settings file, "pref.vrn".
//
// Started from a terminal: in the folder it is started from, so that each
// folder can keep settings of its own (which pixmold-batch run there reads
// too). Started from the desktop (its menu entry, a file manager's "Open
// with"), which says so with MENU_OPTION: in the user's configuration
// folder, $XDG_CONFIG_HOME/pixmold, or ~/.config/pixmold when that variable
// is unset, empty or not an absolute path; never in the home folder itself.
#pragma once

#include <string>
#include <string_view>

namespace pixmold {

inline constexpr std::string_view MENU_OPTION = "--menu";

// Takes every MENU_OPTION before a "--" out of the arguments argv[1] to
// argv[argc - 1] (argc and argv shrink), so that nothing after sees it;
// true when there was one.
bool take_menu_option(int& argc, char** argv);

// The configuration folder of a desktop start for these values of
// XDG_CONFIG_HOME and HOME (either may be null); empty when neither gives
// an absolute path.
std::string menu_settings_folder(const char* xdg_config_home, const char* home);

// The folder of the settings file (and of the font file beside it): the
// working folder, or for a desktop start the configuration folder, created
// as needed (mode 0700, as any missing parent). When that folder holds no
// settings file yet, the home folder's "pref.vrn" (where desktop starts of
// earlier versions kept it) is copied there; it stays at home for terminal
// starts there. Without any home, a desktop start uses the working folder.
std::string settings_folder(bool from_menu);

}  // namespace pixmold
