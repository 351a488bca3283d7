// What a user can see of the editor, and what it holds: two of these
// compare equal when an action changed nothing.
#pragma once

#include <string>
#include <vector>

#include "fx/state.h"
#include "pictures.h"
#include "runtime/toolkit.h"

namespace pixmold::test {

struct EditorSnapshot {
    std::vector<std::vector<std::uint8_t>> pictures;
    std::vector<std::uint8_t> preview_canvas;
    int step, pending, result_kind, current_effect;
    std::string source_path;
    bool operator==(const EditorSnapshot&) const = default;
};

inline EditorSnapshot editor_snapshot() {
    EditorSnapshot s;
    for (ImageId slot : {FxSource, FxWorking, FxResult, FxUndo, FxPreview}) s.pictures.push_back(bytes_of(slot));
    s.preview_canvas = bytes_of(canvas_pixels(W_PREVIEW_CANVAS));
    s.step = fx.step, s.pending = fx.pending, s.result_kind = fx.result_kind, s.current_effect = fx.current_effect;
    s.source_path = fx.source_path;
    return s;
}

}  // namespace pixmold::test
