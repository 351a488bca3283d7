// The editor's record and the operations on its picture slots.
#include "fx/state.h"

#include <cstring>

#include "fx/editor.h"
#include "runtime/toolkit.h"

namespace pixmold {

FxState fx;
std::array<CommandButton, 4> command_buttons;

namespace {

// The content number of each slot: slots with equal numbers hold equal pixels.
constexpr ImageId FIRST_SLOT = FxSource;
constexpr ImageId LAST_SLOT = FxInside;
std::uint64_t g_content[LAST_SLOT - FIRST_SLOT + 1] = {};
std::uint64_t g_next_content = 1;

std::uint64_t* content_of(ImageId slot) {
    return slot >= FIRST_SLOT && slot <= LAST_SLOT ? &g_content[slot - FIRST_SLOT] : nullptr;
}

// The same kind of picture: copying into its memory is what copy_image would do.
bool same_kind(ImageId a, ImageId b) {
    const auto x = is_image(a);
    const auto y = is_image(b);
    if (!x || !y) return false;
    return x->width == y->width && x->height == y->height && x->depth == y->depth &&
           x->source_depth == y->source_depth && x->format_tag == y->format_tag && x->format_tag != TAG_ICON;
}

}  // namespace

bool fx_has(ImageId slot) { return image_handle(slot) != 0; }

void fx_changed(ImageId slot) {
    if (std::uint64_t* c = content_of(slot)) *c = g_next_content++;
}

bool fx_copy(ImageId from, ImageId to) {
    std::uint64_t* source = content_of(from);
    std::uint64_t* target = content_of(to);
    if (!fx_has(from)) return false;
    if (source && target && *source != 0 && *source == *target && fx_has(to)) return true;
    if (same_kind(from, to)) {
        const PixelView a = image_pixels(from);
        const PixelView b = image_pixels(to);
        std::memcpy(b.pixels, a.pixels, std::size_t(a.stride) * std::size_t(a.height));
    } else if (!copy_image(from, to)) {
        return false;
    }
    if (target) *target = source ? *source : g_next_content++;
    return true;
}

bool fx_dragging() { return widget_data(W_PREVIEW_CANVAS) != 0; }

void fx_reset_frame() {
    fx.frame_start_x = fx.frame_start_y = fx.frame_end_x = fx.frame_end_y = 0;
    fx.real_x1 = fx.real_y1 = fx.real_x2 = fx.real_y2 = 0;
    fx.real_width = fx.real_height = 0;
    fx.frame_drawn = 0;
}

void fx_release_pictures() {
    for (ImageId slot : {FxSource, FxWorking, FxScaled, FxPreview, FxResult, FxPreviewCrop, FxInside}) free_image(slot);
}

bool fx_restore_undo() {
    if (!fx_has(FxUndo)) return false;
    return fx_copy(FxUndo, FxSource);
}

void fx_commit_effect() {
    fx_copy(FxWorking, FxResult);
    fx_copy(FxWorking, FxSource);
}

}  // namespace pixmold
