// The FX editor as the shell sees it: what the shell lends it at start-up,
// the panel built inside the shell's container, and the routing of the
// panel's widget events and of files dropped on its preview.
//
// The editor knows nothing of the shell's widgets, sound or fonts: the shell
// hands them over in an FxHost before the panel is built.
#pragma once

#include <functional>
#include <span>
#include <string>
#include <vector>

#include "fx/effect_table.h"
#include "image/draw.h"
#include "image/image.h"
#include "toolkit/toolkit.h"

namespace pixmold {

// Picture numbers of the icons the panel paints (decoded by the shell).
struct FxIcons {
    ImageId crop = 0;
    ImageId crop_active = 0;
    // An effect's icons by their file names (Effect::icon); 0 for none.
    std::function<ImageId(const std::string& file)> named;
    ImageId webcam_off = 0;
    ImageId webcam_on = 0;
    ImageId info = 0;  // the small sign of the info panel
};

struct FxHost {
    std::function<void(const std::string&)> show_status;  // the main window's StatusLine
    std::function<void(int milliseconds)> click;          // the click feedback
    FontSpec info_font;     // interface font 5
    FontSpec command_font;  // interface font 6, italic
    FxIcons icons;
    std::string web_address;  // shown when the pointer leaves the crop button
    int window = 0;           // the main window, which holds the live webcam view
};

void fx_set_host(FxHost host);
const FxHost& fx_host();

// Creates the panel's widgets inside `container` (467 x 578), a button for
// each of `effects`, and draws them as a fresh editor shows them. Starts a
// fresh editor; the pictures of an earlier panel are released. False when
// the container is missing.
bool fx_build_panel(int container, std::span<const Effect> effects = standard_effects());

// The panel's widgets in the order Tab visits them.
std::vector<int> fx_tab_order();

// A widget event of the panel; false (nothing done) for any other widget.
bool fx_handle_event(int widget, SubKind sub, int x, int y);
// Files dropped on a widget ("\n"-joined paths); false when not the preview.
bool fx_handle_drop(int widget, const std::string& files);

// The Load command, as if pressed in the command bar: the open dialog, then
// the refreshed preview, the info and the step. Nothing while Load is off.
void fx_load_command();

}  // namespace pixmold
