// The FX editor without its widgets: the picture being edited, the pending
// result and what Cancel restores, the crop frame, and the state that says
// which commands act. The panel (fx/panel.h) binds it to widgets: it passes
// each user action on as a call here and shows what the editor then holds.
//
// The long actions (decode, effect, crop, preview, save) are functions of
// pictures (fx/picture.h, fx/effect_table.h, fx/preview.h and those below)
// that the calls here make and whose results they keep. Each call that makes
// one has a twin that takes what was made elsewhere, so that the panel can
// make it on a worker thread while the editor stays with the
// user-interface thread.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>

#include "fx/effect_table.h"
#include "fx/picture.h"
#include "fx/preview.h"
#include "image/colour.h"

namespace pixmold {

// The command bar's state, named after what leads to it.
enum class Step : std::uint8_t {
    Start = 0,      // start-up; a picture loaded through the dialog
    Applied = 1,    // Apply
    Cancelled = 2,  // Cancel; a cancelled open dialog; a webcam snapshot
    Saved = 3,      // Save; a cancelled open dialog with no picture
    Live = 4,       // the webcam's live view is open
    Pending = 5,    // a fresh preview, an effect, a crop frame chosen
    CropOff = 7,    // crop mode switched off; a frame thrown away or too small
};

// The command bar's buttons, in bar order.
enum class Command : std::uint8_t { Load, Apply, Cancel, Save };
inline constexpr int COMMAND_COUNT = 4;

// Whether `command` acts at `step`.
bool command_enabled(Step step, Command command);

// What the editor is doing.
enum class EditorState : std::uint8_t {
    Idle,           // a picture or none, nothing pending
    Cropping,       // crop mode: the preview takes a frame
    CropPending,    // crop mode with a released frame's crop waiting for Apply or Cancel
    EffectPending,  // an effect's result waits for Apply or Cancel
    Live,           // the webcam's live view replaces the tools
};

// The tool that was chosen, or that made the pending result.
struct Tool {
    enum class Kind : std::uint8_t { None, Crop, Effect, Webcam };
    Kind kind = Kind::None;
    const Effect* effect = nullptr;  // with Kind::Effect

    static Tool of(const Effect& e) { return {Kind::Effect, &e}; }
    bool operator==(const Tool&) const = default;
};
// "none", "crop", "webcam" or the effect's name.
std::string tool_name(const Tool& tool);

// The crop frame: corners in preview canvas pixels, and mapped to the
// picture's pixels on release.
struct Frame {
    std::int64_t start_x = 0, start_y = 0, end_x = 0, end_y = 0;
    std::int64_t real_x1 = 0, real_y1 = 0, real_x2 = 0, real_y2 = 0;
    std::int64_t real_width = 0, real_height = 0;
    std::int64_t view_x = 0, view_y = 0;  // where the real-size crop shows in the canvas
    bool dragging = false;  // the left button is held since a press in crop mode
    bool drawn = false;     // the drag has left its start point: there is a frame
};

// How a frame's release ended.
enum class Release {
    NoFrame,    // no frame was drawn: nothing changes
    TooSmall,   // less than one picture pixel wide or high: thrown away
    Chosen,     // its crop is pending, and small enough to show beside the frame
    Unshown,    // its crop is pending, too big to show
    Failed,     // no memory for the crop: nothing becomes pending
};

// A picture with the preview that shows it: what the long actions make.
struct Shown {
    Picture picture;
    PreviewFit fit;
    std::shared_ptr<const Bitmap> preview;  // null without memory for it
};
// `picture` with its preview made; empty for none. Any thread.
Shown show(Picture picture);
// The effect made on `picture` and shown; `picture` itself, shown afresh,
// when the effect fails. Any thread.
Shown make_effect(const Effect& effect, const Picture& picture, Colour colour);
// The released frame's part of `picture`, at its real size, shown; empty
// without memory. Any thread.
Shown crop_of(const Picture& picture, const Frame& frame);

class Editor {
public:
    EditorState state() const { return state_; }
    bool pending() const { return state_ == EditorState::CropPending || state_ == EditorState::EffectPending; }
    bool crop_mode() const { return state_ == EditorState::Cropping || state_ == EditorState::CropPending; }
    bool frame_chosen() const { return state_ == EditorState::CropPending; }
    bool webcam_on() const { return state_ == EditorState::Live; }
    Step step() const { return step_; }
    bool enabled(Command command) const { return command_enabled(step_, command); }
    Tool tool() const { return tool_; }
    Tool result_tool() const { return result_tool_; }

    bool has_picture() const { return bool(picture_); }
    const Picture& picture() const { return picture_; }  // being edited; everything derives from it
    const Picture& result() const { return result_; }    // what Apply keeps and Save writes
    const Picture& undo() const { return undo_; }        // what Cancel restores
    int picture_width() const { return picture_.width(); }
    int picture_height() const { return picture_.height(); }
    const PreviewFit& fit() const { return fit_; }
    const std::shared_ptr<const Bitmap>& preview() const { return preview_; }
    const std::shared_ptr<const Bitmap>& crop_preview() const { return crop_preview_; }  // the preview inside the frame
    const Frame& frame() const { return frame_; }
    const std::string& source_path() const { return source_path_; }

    // Sets the command bar's step.
    void set_step(Step step) { step_ = step; }

    // A picture (decoded from `source_path`) replaces the one being edited,
    // with its fresh preview: the old pictures, the frame, the Cancel copy
    // and any pending result go; crop mode stays. `from_dialog`: the bar
    // shows only Load; otherwise Apply and Cancel act at once.
    void load(Picture picture, std::string source_path, bool from_dialog);
    void load(Shown picture, std::string source_path, bool from_dialog);
    // The open dialog answered with nothing.
    void load_cancelled();
    // The result and the preview made afresh from the picture; the bar at
    // Step::Pending. False (nothing done) without a picture.
    bool refresh();

    // An effect's button pressed: the chosen tool.
    void choose(Tool tool) { tool_ = tool; }
    // Makes the effect's result the picture, pending, with the Cancel copy
    // kept; when the effect fails the picture stays as it was, pending all
    // the same. False (nothing done) without a picture, or unless idle.
    bool apply_effect(const Effect& effect, Colour colour);
    // The same with the result made by make_effect from the picture.
    bool apply_effect(const Effect& effect, Shown made);
    bool effect_allowed() const { return picture_ && state_ == EditorState::Idle; }
    // Apply: the result becomes the picture. False without a result.
    bool apply();
    // Cancel: the Cancel copy, if any, comes back. False while live.
    bool cancel();
    // The result was saved.
    void saved();

    // Crop mode on (false, nothing done, unless idle); off, back to the
    // plain preview.
    bool crop_on();
    void crop_off();

    // The left button pressed, the pointer moved, the left button released
    // and the right button pressed on the preview canvas, at canvas (x, y).
    // move_frame is true when the frame should be redrawn; throw_frame when
    // a drawn frame was thrown away (and the preview refreshed).
    void press_frame(int x, int y);
    bool move_frame(int x, int y);
    Release release_frame();
    bool throw_frame();
    // release_frame in two halves: the frame let go, which tells how the
    // release ends unless it says Chosen: then its crop (crop_of the
    // picture and the frame) is to be taken, which tells how it ended.
    Release let_go_frame();
    Release take_crop(Shown crop);

    // The webcam button pressed: the live view on, or off to take its frame.
    // False (nothing done) in crop mode.
    bool press_webcam();
    // The live view opened.
    void webcam_started() { step_ = Step::Live; }
    // No live view or no frame after all: the editor as it was before.
    void webcam_back();
    // The live frame becomes the picture being edited, and its own Cancel copy.
    void snapshot(Picture frame);

private:
    void reset_frame();
    // The released frame normalised, kept within the preview and mapped to
    // the picture's pixels.
    void map_frame();
    // The real-size crop's place: the canvas corner opposite the frame.
    void place_crop_view();
    void release_pictures();
    // `shown` becomes the picture being edited, and the result: refresh
    // with the preview made.
    void take(Shown shown);
    // `picture` shown, with the preview made for it before if there is one.
    Shown shown(const Picture& picture) const;
    void remember(const Shown& shown);
    // The pending result settled one way or another.
    void settle();

    EditorState state_ = EditorState::Idle;
    Step step_ = Step::Start;
    Tool tool_;
    Tool result_tool_;
    Picture picture_;
    Picture result_;
    Picture undo_;
    PreviewFit fit_;
    std::shared_ptr<const Bitmap> preview_;
    std::shared_ptr<const Bitmap> crop_preview_;
    Frame frame_;
    std::string source_path_;
    // The last previews made, by the picture they show, so that Apply,
    // Cancel and crop mode's end show a picture held again without making
    // its preview anew (a tenth of a second on the biggest pictures). They
    // keep no picture bigger than a preview alive, and go with their
    // pictures.
    struct MadePreview {
        std::weak_ptr<const Bitmap> of;
        PreviewFit fit;
        std::shared_ptr<const Bitmap> preview;
    };
    std::array<MadePreview, 3> made_;
    std::size_t next_made_ = 0;
    // What the live view set aside, to go back to when it gives no picture.
    struct BeforeLive {
        Step step = Step::Start;
        EditorState state = EditorState::Idle;
        Tool tool;
    } before_live_;
};

}  // namespace pixmold
