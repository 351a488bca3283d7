// The FX editor's operations on its record, slots and widgets. All of them
// run on the user-interface thread, inside the event handlers.
#pragma once

#include <string>

#include "image/image.h"

namespace pixmold {

// Sets the four command buttons for a step and redraws the command bar:
//   0 start-up, dialog load; 1 Apply; 2 Cancel; 3 Save; 4 webcam on;
//   5 preview refreshed, effect, crop frame chosen; 7 crop off, frame dropped.
// Any other code only redraws.
void fx_set_step(int step);
// The command button at (px, py) in the command bar (FX_LOAD .. FX_SAVE).
int fx_hit_command(int px, int py);

// Rebuilds FxWorking, FxResult and FxPreview from FxSource and redraws the
// preview; leaves the bar at step 5. Nothing without FxSource.
void fx_refresh_preview();

// The preview fitted into the canvas, top-left anchored.
struct PreviewFit {
    int width = 0;
    int height = 0;
    float ratio = 1.0f;  // source pixels per preview pixel
};
PreviewFit fit_preview(int picture_width, int picture_height);

// Draws a message in the info panel; the empty text clears it (black).
void fx_show_info(const std::string& text);
// The message the info panel shows.
const std::string& fx_info_text();
// Draws an icon button: black square, state colour inside, the icon.
void fx_paint_icon(int button, ImageId icon);
// Hides (true) or shows the four effect buttons.
void fx_show_effect_buttons(bool hide);

// A new picture replaces the one being edited only once it has decoded;
// then the old pictures, the undo copy and any pending result go.
enum class LoadOutcome { Loaded, Cancelled, Unreadable };
// Asks for a picture file and loads it into FxSource.
LoadOutcome fx_load_from_dialog();
// Loads the first of the dropped files ("\n"-joined) that decodes; true when one did.
bool fx_load_dropped(const std::string& files);
// What a load that found no readable picture shows; nothing else changes.
void fx_report_unreadable();

// Frame corners, real frame and frame_drawn back to 0.
void fx_reset_frame();
// Frees every slot but FxUndo.
void fx_release_pictures();
// Copies FxUndo into FxSource; false when there is no FxUndo.
bool fx_restore_undo();
// Copies FxWorking into FxResult and FxSource (after drawing an effect).
void fx_commit_effect();

// Recolours FxWorking by current_effect (black and white, optimised, sepia)
// and leaves it pending; returns result_kind, 0 when nothing ran.
int apply_tone_effect(int red_offset, int green_offset);
// Asks for a colour and frames FxWorking with it; 0 when cancelled.
int apply_border();

// Writes FxResult under a name the user chooses; true when written.
bool fx_save();

}  // namespace pixmold
