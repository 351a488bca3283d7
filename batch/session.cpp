#include "batch/session.h"

#include <chrono>

#include "batch/drop_plan.h"
#include "batch/intake.h"
#include "batch/progress.h"
#include "batch/texts.h"

namespace pixmold {

BatchSession::BatchSession(BatchView view, std::function<BatchSettings()> settings, int threads)
    : view_(std::move(view)), settings_(std::move(settings)), threads_(threads) {}

BatchSession::~BatchSession() { on_stop(false); }

BatchSession::DropResult BatchSession::on_drop(std::string_view dropped) {
    std::lock_guard lock(control_);
    if (running_.load()) {
        if (view_.set_status) view_.set_status(batch_busy_text(settings_().language));
        return DropResult::Busy;
    }
    if (status_.joinable()) status_.join();
    BatchJob::Options options;
    options.settings = settings_();
    DropIntake taken = plan_drop(split_drop_text(dropped), options.settings);
    if (taken.pictures.empty()) {
        if (taken.left_aside_count() > 0 && view_.set_status)
            view_.set_status(batch_no_picture_text(options.settings.language, taken.left_aside_count()));
        return DropResult::NoPicture;
    }
    PictureList list = std::move(taken.pictures);
    pictures_ = list;
    left_aside_ = taken.left_aside_count();
    stop_requested_ = false;
    options.places = std::move(taken.places);
    options.threads = threads_;
    language_ = options.settings.language;
    running_ = true;
    if (view_.show_running) view_.show_running(true);
    if (!job_.start(std::move(list), options)) {
        running_ = false;
        if (view_.show_running) view_.show_running(false);
        return DropResult::NoPicture;
    }
    status_ = std::thread([this] { status_loop(); });
    return DropResult::Started;
}

void BatchSession::status_loop() {
    const bool ended = follow_batch(job_, 100, [this](const BatchProgress& p) {
        if (stop_requested_) return false;
        if (view_.set_status) view_.set_status(batch_status_text(p.remaining, p.total, p.current_output));
        return true;
    });
    if (!ended || stop_requested_) return;  // Stop writes its own text
    if (view_.show_running) view_.show_running(false);
    const auto failed = job_.failed_pictures();
    if (!failed.empty() && view_.set_info) view_.set_info(failed_pictures_text(language_, failed));
    if (view_.set_status)
        view_.set_status(batch_finished_text(language_, job_.written(), job_.failed(), left_aside_));
    running_ = false;
    if (view_.click) view_.click();  // may block for the length of the sound
}

void BatchSession::on_stop(bool show) {
    std::lock_guard lock(control_);
    if (!running_.load()) {
        if (status_.joinable()) status_.join();
        return;
    }
    stop_requested_ = true;
    job_.stop();
    if (status_.joinable()) status_.join();
    if (!running_.load()) return;  // it ended on its own just before
    if (!show) {
        running_ = false;
        return;
    }
    const std::int64_t done = job_.total() - job_.remaining();
    const Language language = settings_().language;
    if (view_.set_status)
        view_.set_status(batch_stopped_text(language, done, job_.total(), left_aside_));
    if (view_.show_running) view_.show_running(false);
    const auto failed = job_.failed_pictures();
    if (!failed.empty() && view_.set_info) view_.set_info(failed_pictures_text(language, failed));
    if (view_.click) view_.click();
    running_ = false;
}

void BatchSession::wait() {
    job_.wait();
    std::lock_guard lock(control_);
    if (status_.joinable()) status_.join();
}

std::string failed_pictures_text(Language language, const std::vector<FailedPicture>& pictures) {
    std::string text = batch_not_processed_heading(language);
    for (const FailedPicture& p : pictures) {
        text += '\n';
        text += failed_picture_line(language, file_name_part(p.source), p.reason);
    }
    return text;
}

}  // namespace pixmold
