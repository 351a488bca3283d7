// The window program's set-up for tests that drive its real widgets in this
// process: the toolkit, the engine with every codec, the interface fonts at
// 96 dpi and the embedded pictures.
#pragma once

#include "app/artwork.h"
#include "app/shell_state.h"
#include "app/startup.h"
#include "image/codec.h"
#include "image/image.h"
#include "toolkit/toolkit.h"

namespace pixmold::test {

inline bool start_window_program() {
    if (!init_toolkit()) return false;
    init_image_engine();
    register_all_codecs();
    create_interface_fonts(96);
    shell.dpi = 96;
    decode_embedded_pictures();
    return true;
}

}  // namespace pixmold::test
