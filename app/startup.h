// The program from start to end: start-up, the loop, shutdown.
#pragma once

namespace pixmold {

// Returns the process exit code: 0 after a normal end and for a second
// instance, 1 when no display can be opened.
int run_program();

// The six interface fonts, each size compensated for the
// screen's dots per inch so that text keeps its pixel size at any scaling.
void create_interface_fonts(int dpi);

}  // namespace pixmold
