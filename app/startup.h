// The program from start to end: start-up, the loop, shutdown.
#pragma once

namespace pixmold {

// The command line is MENU_OPTION (app/settings_place.h) when the desktop
// starts the program, the toolkit's options and then the pictures or
// folders to resize at once, as if dropped on the window; a later start
// hands them to the copy that runs. Returns the process exit code: 0 after
// a normal end and for a later start whose files were handed over, 1 when
// no display can be opened or the running copy does not answer.
int run_program(int argc, char** argv);

// The six interface fonts, each size compensated for the
// screen's dots per inch so that text keeps its pixel size at any scaling.
void create_interface_fonts(int dpi);

}  // namespace pixmold
