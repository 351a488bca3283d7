#include "image/jpeg_common.h"

#include <jerror.h>

namespace pixmold {
namespace {

[[noreturn]] void jump_back(j_common_ptr cinfo) {
    auto* errors = reinterpret_cast<JpegErrorManager*>(cinfo->err);
    std::longjmp(errors->jump, 1);
}

void quiet(j_common_ptr) {}

void note_warning(j_common_ptr cinfo, int level) {
    auto* errors = reinterpret_cast<JpegErrorManager*>(cinfo->err);
    if (level < 0 && errors->mgr.msg_code == JWRN_JPEG_EOF && !errors->hit_end_of_data) {
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
