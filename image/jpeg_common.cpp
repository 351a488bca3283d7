#include "image/jpeg_common.h"

#include <jerror.h>

namespace pixmold {
namespace {

[[noreturn]] void jump_back(j_common_ptr cinfo) {
    auto* errors = reinterpret_cast<JpegErrorManager*>(cinfo->err);
    std::longjmp(errors->jump, 1);
}

void quiet(j_common_ptr) {}

bool scan_data_corrupt(int code) {
    switch (code) {
    case JWRN_HUFF_BAD_CODE:
#if JPEG_LIB_VERSION >= 70 || defined(D_ARITH_CODING_SUPPORTED)
    case JWRN_ARITH_BAD_CODE:
#endif
    case JWRN_MUST_RESYNC:
    case JWRN_BOGUS_PROGRESSION:
        return true;
    default:
        return false;
    }
}

void note_warning(j_common_ptr cinfo, int level) {
    if (level >= 0) return;  // trace messages
    auto* errors = reinterpret_cast<JpegErrorManager*>(cinfo->err);
    const int code = errors->mgr.msg_code;
    if (scan_data_corrupt(code)) jump_back(cinfo);
    if ((code == JWRN_JPEG_EOF || code == JWRN_HIT_MARKER) && !errors->hit_end_of_data) {
        errors->hit_end_of_data = true;
        if (cinfo->is_decompressor)
            errors->end_of_data_line = long(reinterpret_cast<j_decompress_ptr>(cinfo)->output_scanline);
    }
}

}  // namespace

void install_jpeg_errors(JpegErrorManager& errors) {
    jpeg_std_error(&errors.mgr);
    errors.mgr.error_exit = jump_back;
    errors.mgr.output_message = quiet;
    errors.mgr.emit_message = note_warning;
    errors.hit_end_of_data = false;
    errors.end_of_data_line = 0;
}

}  // namespace pixmold
