// The panel's own state and its handlers, one per widget kind, shared by
// the files that implement them. Everything here belongs to the
// user-interface thread.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "fx/editor.h"
#include "fx/fx.h"
#include "fx/panel.h"
#include "image/colour.h"
#include "platform/threads.h"
#include "toolkit/toolkit.h"

namespace pixmold {

class EditorPanel {
public:
    Editor editor;
    FxHost host;
    std::span<const Effect> effects = standard_effects();
    std::array<CommandButton, COMMAND_COUNT> commands;
    std::string info;                      // what the info panel shows
    Command hovered = Command::Load;       // the command button under the pointer

    // The action under way away from the user-interface thread.
    struct Job {
        std::uint64_t number = 0;  // 0: none
        ThreadHandle thread = 0;
        std::vector<std::pair<int, PointerShape>> pointers;  // the canvases' pointers before it
    } job;
    bool busy() const { return job.number != 0; }

    // What an action does with what its work made, on the user-interface thread.
    using Finish = std::function<void()>;
    // Runs `work`, which touches neither the editor nor a widget, then what
    // it returns. With `aside` the work runs on a worker thread and the
    // panel is busy until the result is back; otherwise all at once.
    void run(bool aside, std::function<Finish()> work);
    // Whether the work on that many pixels, or the decoding of the first
    // of those "\n"-joined files that decodes, is done aside.
    bool aside_for(std::int64_t pixels) const;
    bool aside_for_files(const std::string& files) const;
    // The job `number` ended: the panel is free again, then `finish` runs.
    void finish_job(std::uint64_t number, const Finish& finish);
    // Waits for a job under way, whose result is then dropped.
    void drop_job();
    // A widget event while busy: refused.
    void busy_event(int widget, SubKind sub);
    void refuse_while_busy() const;

    // Events of each kind of widget; (x, y) is the pointer in the widget.
    void command_bar_event(SubKind sub, int x, int y);
    void preview_event(SubKind sub, int x, int y);
    void crop_button_event(SubKind sub);
    void effect_button_event(const Effect& effect, int button, SubKind sub);
    void webcam_button_event(SubKind sub);
    void preview_drop(const std::string& files);

    // A release on an effect's button: the effect, unless one is pending.
    void run_effect_button(const Effect& effect, int button);
    // The commands.
    void load_command();
    void apply_command();
    void cancel_command();
    void save_command();
    // What the long actions made, taken.
    void loaded(Shown picture, const std::string& path, bool from_dialog);
    void saved(bool written);

    // What the editor holds, shown.
    void show_step();                         // the command bar at the editor's step
    void show_info(const std::string& text);  // the info panel; the empty text clears it
    void show_refreshed();                    // the picture's size, and the preview
    void paint_preview();                     // the preview canvas: background, then the preview
    void paint_icon(int button, ImageId icon);
    void paint_crop_button();
    void paint_webcam_button();
    ImageId effect_icon(const Effect& effect, bool highlighted) const;
    void show_effect_buttons(bool visible);
    void status(const std::string& text) const;
    void click(int milliseconds) const;
    void report_unreadable();
};

inline constexpr Colour PANEL_COLOUR = 0xFEDFD6;  // the window background

// The panel of the program.
EditorPanel& editor_panel();

// Starts drawing on one of the panel's canvases; false when it is missing.
bool begin_fx_canvas(int canvas);
// Draws `picture`, if any, with its top-left corner at (x, y) on the current
// drawing target.
void draw_picture(const Bitmap* picture, int x, int y);

}  // namespace pixmold
