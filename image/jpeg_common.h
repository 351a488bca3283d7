// libjpeg error handling shared by the JPEG decoder and encoder: fatal
// errors jump back to the wrapper that called the library; messages are
// never printed.
#pragma once

#include <csetjmp>
#include <cstddef>
#include <cstdio>

#include <jpeglib.h>

namespace pixmold {

struct JpegErrorManager {
    jpeg_error_mgr mgr;
    std::jmp_buf jump;
    bool hit_end_of_data = false;  // the data ended without an end marker
    long end_of_data_line = 0;     // output scanline when that happened
};

void install_jpeg_errors(JpegErrorManager& errors);

}  // namespace pixmold
