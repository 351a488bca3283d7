// libjpeg error handling shared by the JPEG decoder and encoder: fatal
// errors jump back to the wrapper that called the library; messages are
// never printed. Warnings that mean the scan data cannot be decoded (bad
// codes, restart markers out of order, refinement scans that do not fit
// what came before) fail the call like an error, since libjpeg would fill
// the rest of the picture with made-up values; warnings that cost no
// picture data (extra bytes before a marker, an unknown JFIF revision, a
// bad ICC marker) are ignored.
#pragma once

#include <csetjmp>
#include <cstddef>
#include <cstdio>

#include <jpeglib.h>

namespace pixmold {

struct JpegErrorManager {
    jpeg_error_mgr mgr;
    std::jmp_buf jump;
    // The data ended early: no end marker, or a marker where scan data
    // should be. libjpeg goes on with grey; the decoder judges how much is missing.
    bool hit_end_of_data = false;
    long end_of_data_line = 0;  // output scanline when that happened
};

void install_jpeg_errors(JpegErrorManager& errors);

}  // namespace pixmold
