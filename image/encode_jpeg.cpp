// JPEG encoder over libjpeg: library defaults (baseline, 4:2:0, JFIF) at
// quality = clamp(q, 0, 10) * 10, with optional Exif and ICC markers.
#include <algorithm>
#include <cstring>
#include <vector>

#include "image/codec_internal.h"
#include "image/jpeg_common.h"

namespace pixmold {
namespace {

struct JpegWriter {
    jpeg_compress_struct cinfo{};
    JpegErrorManager errors{};
    bool created = false;
    ~JpegWriter() {
        if (created) jpeg_destroy_compress(&cinfo);
    }
};

bool start(JpegWriter& w, const EncodeJob& job) {
    install_jpeg_errors(w.errors);
    w.cinfo.err = &w.errors.mgr;
    if (setjmp(w.errors.jump)) return false;
    jpeg_create_compress(&w.cinfo);
    w.created = true;
    jpeg_stdio_dest(&w.cinfo, job.out);
    w.cinfo.image_width = JDIMENSION(job.width);
    w.cinfo.image_height = JDIMENSION(job.height);
    w.cinfo.input_components = 3;
    w.cinfo.in_color_space = JCS_RGB;
    jpeg_set_defaults(&w.cinfo);
    // The pixels are B,G,R in memory: let the library read them as they are.
    w.cinfo.in_color_space = JCS_EXT_BGR;
    jpeg_set_quality(&w.cinfo, std::clamp(job.quality, 0, 10) * 10, FALSE);
    jpeg_start_compress(&w.cinfo, TRUE);
    return true;
}

bool write_markers(JpegWriter& w, const std::uint8_t* exif, unsigned exif_size, const std::uint8_t* icc,
                   unsigned icc_size) {
    if (setjmp(w.errors.jump)) return false;
    if (exif_size) jpeg_write_marker(&w.cinfo, JPEG_APP0 + 1, exif, exif_size);
    if (icc_size) jpeg_write_icc_profile(&w.cinfo, icc, icc_size);
    return true;
}

bool write_lines(JpegWriter& w, JSAMPARRAY rows, JDIMENSION count) {
    if (setjmp(w.errors.jump)) return false;
    return jpeg_write_scanlines(&w.cinfo, rows, count) == count;
}

bool finish_compress(JpegWriter& w) {
    if (setjmp(w.errors.jump)) return false;
    jpeg_finish_compress(&w.cinfo);
    return true;
}

class JpegRows final : public RowEncoder {
public:
    explicit JpegRows(const EncodeJob& job) : job_(job) {}
    bool begin() {
        if (!start(w_, job_)) return false;
        const Metadata* meta = job_.options ? job_.options->metadata : nullptr;
        if (!meta) return true;
        // One APP1 segment holds at most 65533 bytes of payload; a larger
        // Exif block is left out rather than split.
        std::vector<std::uint8_t> app1;
        if (!meta->exif.empty() && meta->exif.size() + 6 <= 65533) {
            app1.assign({'E', 'x', 'i', 'f', 0, 0});
            app1.insert(app1.end(), meta->exif.begin(), meta->exif.end());
        }
        return write_markers(w_, app1.data(), unsigned(app1.size()), meta->icc.data(), unsigned(meta->icc.size()));
    }
    bool put(const std::uint8_t* const* rows, int n) override {
        if (job_.cancelled()) return false;
        return write_lines(w_, const_cast<JSAMPARRAY>(rows), JDIMENSION(n));
    }
    bool finish() override { return finish_compress(w_); }

private:
    const EncodeJob job_;
    JpegWriter w_;
};

std::unique_ptr<RowEncoder> jpeg_begin_rows(const EncodeJob& job, int pixel_depth) {
    if (pixel_depth != 24) return nullptr;
    auto rows = std::make_unique<JpegRows>(job);
    if (!rows->begin()) return nullptr;
    return rows;
}

bool jpeg_encode(const EncodeJob& job) {
    const std::unique_ptr<RowEncoder> w = jpeg_begin_rows(job, 24);
    if (!w) return false;
    constexpr int kBatch = 16;
    const std::uint8_t* rows[kBatch];
    for (int y = 0; y < job.height;) {
        const int count = std::min(kBatch, job.height - y);
        for (int i = 0; i < count; ++i) rows[i] = job.row(y + i);
        if (!w->put(rows, count)) return false;
        y += count;
    }
    return w->finish();
}

}  // namespace

const Encoder kJpegEncoder{TAG_JPEG, jpeg_encode, nullptr, jpeg_begin_rows};

}  // namespace pixmold
