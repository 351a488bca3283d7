#include "fx/editor.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace pixmold {

bool command_enabled(Step step, Command command) {
    switch (step) {
    case Step::Start:
    case Step::Saved:
    case Step::CropOff: return command == Command::Load;
    case Step::Applied:
    case Step::Cancelled: return command == Command::Load || command == Command::Save;
    case Step::Live: return false;
    case Step::Pending: return command != Command::Save;
    }
    return false;
}

std::string tool_name(const Tool& tool) {
    switch (tool.kind) {
    case Tool::Kind::None: return "none";
    case Tool::Kind::Crop: return "crop";
    case Tool::Kind::Webcam: return "webcam";
    case Tool::Kind::Effect: return tool.effect ? tool.effect->name : "effect";
    }
    return "none";
}

Shown show(Picture picture) {
    Shown shown;
    if (!picture) return shown;
    shown.fit = fit_preview(picture.width(), picture.height());
    shown.preview = make_preview(picture.bitmap, shown.fit);
    shown.picture = std::move(picture);
    return shown;
}

Shown make_effect(const Effect& effect, const Picture& picture, Colour colour) {
    Picture made = run_effect(effect, picture, colour);
    return show(made ? std::move(made) : picture);
}

Shown crop_of(const Picture& picture, const Frame& frame) {
    if (!picture) return {};
    return show(make_picture(crop_bitmap(*picture.bitmap, int(frame.real_x1), int(frame.real_y1),
                                         int(frame.real_width), int(frame.real_height)),
                             picture.source_depth));
}

void Editor::reset_frame() {
    frame_.start_x = frame_.start_y = frame_.end_x = frame_.end_y = 0;
    frame_.real_x1 = frame_.real_y1 = frame_.real_x2 = frame_.real_y2 = 0;
    frame_.real_width = frame_.real_height = 0;
    frame_.drawn = false;
}

void Editor::release_pictures() {
    picture_ = {};
    result_ = {};
    preview_.reset();
    crop_preview_.reset();
}

void Editor::settle() {
    if (state_ == EditorState::CropPending) state_ = EditorState::Cropping;
    if (state_ == EditorState::EffectPending) state_ = EditorState::Idle;
}

void Editor::load(Picture picture, std::string source_path, bool from_dialog) {
    load(show(std::move(picture)), std::move(source_path), from_dialog);
}

void Editor::load(Shown picture, std::string source_path, bool from_dialog) {
    reset_frame();
    release_pictures();
    // A new picture starts afresh: Cancel must never bring back one from before it.
    undo_ = {};
    settle();
    source_path_ = std::move(source_path);
    if (picture.picture) take(std::move(picture));
    if (from_dialog) step_ = Step::Start;
}

void Editor::load_cancelled() {
    // A pending result keeps Apply and Cancel: only they can settle it.
    if (!pending()) step_ = picture_ ? Step::Cancelled : Step::Saved;
}

bool Editor::refresh() {
    if (!picture_) return false;
    take(shown(picture_));
    return true;
}

Shown Editor::shown(const Picture& picture) const {
    for (const MadePreview& made : made_)
        if (picture && made.of.lock() == picture.bitmap) return {picture, made.fit, made.preview};
    return show(picture);
}

void Editor::remember(const Shown& shown) {
    // The previews of pictures no longer held go with them.
    for (MadePreview& made : made_)
        if (made.of.expired()) made = {};
    if (!shown.picture || !shown.preview) return;
    for (const MadePreview& made : made_)
        if (made.of.lock() == shown.picture.bitmap) return;
    // A free place, else the oldest.
    std::size_t at = next_made_;
    for (std::size_t i = 0; i < made_.size(); ++i)
        if (!made_[i].preview) at = i;
    made_[at] = {shown.picture.bitmap, shown.fit, shown.preview};
    if (at == next_made_) next_made_ = (next_made_ + 1) % made_.size();
}

void Editor::take(Shown shown) {
    remember(shown);
    picture_ = std::move(shown.picture);
    result_ = picture_;
    fit_ = shown.fit;
    // Without memory for a new preview the last one stays.
    if (shown.preview) preview_ = std::move(shown.preview);
    if (state_ == EditorState::Live) state_ = EditorState::Idle;
    step_ = Step::Pending;
}

bool Editor::apply_effect(const Effect& effect, Colour colour) {
    if (!effect_allowed()) return false;
    return apply_effect(effect, make_effect(effect, picture_, colour));
}

bool Editor::apply_effect(const Effect& effect, Shown made) {
    if (!effect_allowed() || !made.picture) return false;
    undo_ = picture_;
    result_tool_ = Tool::of(effect);
    take(std::move(made));
    state_ = EditorState::EffectPending;
    step_ = Step::Pending;
    return true;
}

bool Editor::apply() {
    if (!result_) return false;
    undo_ = {};
    picture_ = result_;
    tool_ = result_tool_;
    if (state_ == EditorState::CropPending) state_ = EditorState::Idle;
    refresh();
    settle();
    step_ = Step::Applied;
    return true;
}

bool Editor::cancel() {
    if (state_ == EditorState::Live) return false;
    if (undo_) picture_ = undo_;
    refresh();
    if (frame_.drawn) reset_frame();
    settle();
    step_ = Step::Cancelled;
    tool_ = result_tool_;
    return true;
}

void Editor::saved() {
    frame_.drawn = false;
    step_ = Step::Saved;
}

bool Editor::crop_on() {
    if (state_ != EditorState::Idle) return false;
    tool_ = Tool{Tool::Kind::Crop};
    frame_.drawn = false;
    state_ = EditorState::Cropping;
    return true;
}

void Editor::crop_off() {
    tool_ = Tool{};
    state_ = EditorState::Idle;
    refresh();
    step_ = Step::CropOff;
}

void Editor::press_frame(int x, int y) {
    frame_.dragging = crop_mode();
    if (crop_mode()) {
        frame_.start_x = x;
        frame_.start_y = y;
    }
    frame_.drawn = false;
}

bool Editor::move_frame(int x, int y) {
    if (!crop_mode() || !frame_.dragging) return false;
    frame_.end_x = x;
    frame_.end_y = y;
    frame_.drawn = frame_.end_x != frame_.start_x || frame_.end_y != frame_.start_y;
    return frame_.drawn;
}

bool Editor::throw_frame() {
    if (!frame_.drawn) return false;
    frame_.drawn = false;
    refresh();
    settle();
    step_ = Step::CropOff;
    return true;
}

void Editor::map_frame() {
    Frame& f = frame_;
    if (f.end_x < f.start_x) std::swap(f.end_x, f.start_x);
    if (f.end_y < f.start_y) std::swap(f.end_y, f.start_y);
    f.end_x = std::max<std::int64_t>(std::min<std::int64_t>(f.end_x, fit_.width), 1);
    f.end_y = std::max<std::int64_t>(std::min<std::int64_t>(f.end_y, fit_.height), 1);
    // A frame dragged past the top or left edge starts at the picture's
    // edge: beyond it there is nothing to crop.
    f.start_x = std::max<std::int64_t>(f.start_x, 0);
    f.start_y = std::max<std::int64_t>(f.start_y, 0);

    const double r = fit_.ratio;
    auto real = [r](std::int64_t v) { return std::int64_t(std::nearbyint(double(v) * r)); };
    f.real_x1 = real(f.start_x);
    f.real_y1 = real(f.start_y);
    f.real_x2 = real(f.end_x);
    f.real_y2 = real(f.end_y);
    f.real_width = real(f.end_x - f.start_x);
    f.real_height = real(f.end_y - f.start_y);
    // Rounding may reach one pixel past the picture's edge; the crop stays inside.
    f.real_width = std::min<std::int64_t>(f.real_width, picture_width() - f.real_x1);
    f.real_height = std::min<std::int64_t>(f.real_height, picture_height() - f.real_y1);
}

void Editor::place_crop_view() {
    Frame& f = frame_;
    const std::int64_t cx = f.start_x + (f.end_x - f.start_x) / 2;
    const std::int64_t cy = f.start_y + (f.end_y - f.start_y) / 2;
    const int hw = PREVIEW_WIDTH / 2, hh = PREVIEW_HEIGHT / 2;
    const bool right = cx > hw, left = cx < hw, lower = cy > hh, upper = cy < hh;
    const std::int64_t far_x = PREVIEW_WIDTH - f.real_width, far_y = PREVIEW_HEIGHT - f.real_height;
    if (right && lower) {
        f.view_x = 0;
        f.view_y = 0;
    } else if (right && upper) {
        f.view_x = 0;
        f.view_y = far_y;
    } else if (left && lower) {
        f.view_x = far_x;
        f.view_y = 0;
    } else {
        f.view_x = far_x;
        f.view_y = far_y;
    }
}

Release Editor::release_frame() {
    const Release let_go = let_go_frame();
    return let_go == Release::Chosen ? take_crop(crop_of(picture_, frame_)) : let_go;
}

Release Editor::let_go_frame() {
    Frame& f = frame_;
    f.dragging = false;
    map_frame();
    if (!f.drawn) return Release::NoFrame;
    if (f.real_width < 1 || f.real_height < 1) {
        f.drawn = false;
        settle();
        step_ = Step::CropOff;
        return Release::TooSmall;
    }
    if (!picture_) return Release::Failed;
    return Release::Chosen;
}

Release Editor::take_crop(Shown crop) {
    const Frame& f = frame_;
    if (!crop.picture) return Release::Failed;
    remember(crop);  // for Apply
    result_ = std::move(crop.picture);
    BitmapPtr part = preview_ ? crop_bitmap(*preview_, int(f.start_x), int(f.start_y), int(f.end_x - f.start_x),
                                            int(f.end_y - f.start_y))
                              : nullptr;
    if (!part) return Release::Failed;
    crop_preview_ = std::move(part);
    place_crop_view();
    state_ = EditorState::CropPending;
    step_ = Step::Pending;
    tool_ = result_tool_ = Tool{Tool::Kind::Crop};
    return f.real_width < fit_.width && f.real_height < fit_.height ? Release::Chosen : Release::Unshown;
}

bool Editor::press_webcam() {
    if (crop_mode()) return false;
    if (state_ == EditorState::Live) {
        state_ = EditorState::Idle;
        return true;
    }
    before_live_ = {step_, state_, tool_};
    tool_ = Tool{Tool::Kind::Webcam};
    state_ = EditorState::Live;
    return true;
}

void Editor::webcam_back() {
    state_ = before_live_.state;
    tool_ = before_live_.tool;
    step_ = before_live_.step;
}

void Editor::snapshot(Picture frame) {
    reset_frame();
    release_pictures();
    settle();
    picture_ = frame;
    undo_ = frame;
    result_ = std::move(frame);
    refresh();
    result_tool_ = Tool{Tool::Kind::Webcam};
    step_ = Step::Cancelled;
}

}  // namespace pixmold
