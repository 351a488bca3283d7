// Engine-internal: the band a decoder writes its rows into when they are
// resampled or written as they come. Rows are handed on sixteen at a time (the row
// filter takes that many at once), on the decoder's thread, or, once the
// caller says a thread is spare, on a thread of its own beside the decoder.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

#include "image/codec_internal.h"
#include "image/codec.h"

namespace pixmold {

class ResampledBand final : public RowBand {
public:
    // Rows the band holds: those handed on and not taken yet, those not
    // handed on yet, and those the decoder writes next.
    static constexpr int kRows = 4 * kBandRows;

    // `spare_thread`, when set, is asked at each handing on until it says yes.
    ResampledBand(PictureRows to, int height, std::function<bool()> spare_thread);
    ~ResampledBand() override;
    bool allocate(std::size_t reach);
    std::uint8_t* row(int y_from_top) override;
    bool done(int y_end) override;
    // Waits until every row handed on is taken; false when the resampler failed.
    bool finish();

private:
    void take_rows();  // the helper thread
    bool put(int first, int end);

    PictureRows to_;
    const int height_;
    std::function<bool()> spare_thread_;
    std::vector<std::uint8_t> rows_;
    std::size_t stride_ = 0;

    std::mutex lock_;
    std::condition_variable changed_;
    int handed_ = 0;  // rows before this are handed on
    int taken_ = 0;   // rows before this are resampled
    bool failed_ = false;
    bool ending_ = false;
    std::thread helper_;
};

}  // namespace pixmold
