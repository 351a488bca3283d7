// The FX editor inside the main window: what the shell lends it, and its
// panel built in the FxPanel container.
#pragma once

namespace pixmold {

// Hands the editor the StatusLine, the click, fonts 5 and 6, its icons and
// the web address, then builds its widgets in the FxPanel container.
void build_fx_panel();

// The Project menu's relative-mode open entry: the FX panel opens if it is
// closed, then its Load command runs.
void open_picture_in_fx();

}  // namespace pixmold
