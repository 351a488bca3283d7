// The program from start to end: start-up, the loop, shutdown.
#pragma once

namespace pixmold {

// The command line: MENU_OPTION (app/settings_place.h) when the desktop
// starts the program; nothing else is read. Returns the process exit code:
// 0 after a normal end and for a second instance, 1 when no display can be
// opened.
int run_program(int argc, char** argv);

// The six interface fonts, each size compensated for the
// screen's dots per inch so that text keeps its pixel size at any scaling.
void create_interface_fonts(int dpi);

}  // namespace pixmold
