// What a user can see of the editor, and what it holds: two of these
// compare equal when an action changed nothing.
#pragma once

#include <string>
#include <vector>

#include "fx/panel.h"
#include "pictures.h"
#include "toolkit/toolkit.h"

namespace pixmold::test {

struct EditorSnapshot {
    std::vector<std::vector<std::uint8_t>> pictures;
    std::vector<std::uint8_t> preview_canvas;
    Step step;
    EditorState state;
    std::string result_tool, tool;
    std::string source_path;
    bool operator==(const EditorSnapshot&) const = default;
};

inline EditorSnapshot editor_snapshot() {
    const Editor& e = fx_editor();
    EditorSnapshot s;
    for (const Picture* p : {&e.picture(), &e.result(), &e.undo()}) s.pictures.push_back(bytes_of(p->view()));
    s.pictures.push_back(e.preview() ? bytes_of(e.preview()->view()) : std::vector<std::uint8_t>{});
    s.preview_canvas = bytes_of(canvas_pixels(W_PREVIEW_CANVAS));
    s.step = e.step(), s.state = e.state();
    s.result_tool = tool_name(e.result_tool()), s.tool = tool_name(e.tool());
    s.source_path = e.source_path();
    return s;
}

}  // namespace pixmold::test
