// The batch as the window runs it: a drop starts the job, a status loop
// rewrites the status line every 100 ms, Stop ends everything at once.
// Toolkit-free: the window hands in what to call for its widgets.
#pragma once

#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>

#include "batch/job.h"
#include "batch/rules.h"

namespace pixmold {

// What the batch does to the window. Every call may come from any thread.
struct BatchView {
    std::function<void(const std::string&)> set_status;  // the StatusLine
    std::function<void(const std::string&)> set_info;    // the InfoPanel's text
    // true: StopButton shown, InfoPanel hidden; false: the reverse.
    std::function<void(bool running)> show_running;
    std::function<void()> click;  // the click sound at the end
};

class BatchSession {
public:
    enum class DropResult { Started, NoPicture, Busy };

    // `settings` is read on the calling thread when a drop starts a batch
    // (the batch keeps that copy to the end) and for the texts of a refused
    // or pictureless drop and of a stop.
    BatchSession(BatchView view, std::function<BatchSettings()> settings, int threads = 0);
    ~BatchSession();
    BatchSession(const BatchSession&) = delete;
    BatchSession& operator=(const BatchSession&) = delete;

    // A drop on the window (paths joined by "\n"). While a batch runs the drop
    // is refused, the status line says so and the running batch is untouched.
    // The drop is taken as the settings ask (batch/drop_plan.h). The files of
    // the drop that are not pictures, and the earlier outputs a re-run
    // leaves aside, are counted in the status line's end text, or alone when
    // the drop holds no picture.
    DropResult on_drop(std::string_view dropped);
    // The StopButton: ends the job and the status loop, then shows the stop
    // text and lists the pictures that failed or were interrupted. With
    // `show` false (program shutdown) the window is left alone.
    void on_stop(bool show = true);

    bool running() const { return running_.load(); }
    // Waits until the batch has ended and its end has been shown.
    void wait();
    const PictureList& pictures() const { return pictures_; }

private:
    void status_loop();

    BatchView view_;
    std::function<BatchSettings()> settings_;
    Language language_ = Language::French;  // of the running batch, for its end texts
    int threads_;
    PictureList pictures_;
    std::int64_t left_aside_ = 0;  // files of the running batch's drop that are not pictures, or earlier outputs
    BatchJob job_;
    std::thread status_;
    std::atomic<bool> running_{false};
    std::atomic<bool> stop_requested_{false};
    std::mutex control_;  // one start or stop at a time
};

// The InfoPanel text listing the pictures that could not be processed, by
// file name, each with why.
std::string failed_pictures_text(Language language, const std::vector<FailedPicture>& pictures);

}  // namespace pixmold
