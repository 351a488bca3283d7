// The long actions on big pictures, done on a worker thread while the
// window goes on answering and repainting: the panel shows that it is busy
// and takes no other action until the result is back. The editor itself
// stays with the user-interface thread: the worker gets copies of the
// pictures it needs (their pixels never change) and hands back new ones.
#include <filesystem>
#include <memory>
#include <system_error>
#include <utility>

#include "core/drop_text.h"
#include "core/texts.h"
#include "fx/editor_panel.h"
#include "fx/effects.h"
#include "toolkit/ui_tasks.h"

namespace pixmold {

namespace {

BackgroundFrom g_from;
std::uint64_t g_jobs = 0;  // job numbers, never reused: a late result finds its job gone

struct Aside {
    std::uint64_t number;
    std::function<EditorPanel::Finish()> work;
    // The sepia draws from the generator of the thread it runs on; the work
    // continues the user-interface thread's stream, and the stream carries
    // on from where the work left it, as if the effect had run there.
    FastRandom random;
};

void aside_entry(std::intptr_t argument) {
    std::unique_ptr<Aside> aside(reinterpret_cast<Aside*>(argument));
    effect_random() = aside->random;
    EditorPanel::Finish finish = aside->work();
    const std::uint64_t number = aside->number;
    const FastRandom random = effect_random();
    aside.reset();  // the pictures it was given, released on this thread
    if (stop_requested()) return;  // shutdown, or a panel built afresh: nobody waits for the result
    post_ui_task([number, random, finish = std::move(finish)] {
        effect_random() = random;
        editor_panel().finish_job(number, finish);
    });
}

// The panel's canvases, which show the busy pointer.
std::vector<int> panel_canvases() {
    std::vector<int> canvases = fx_tab_order();
    canvases.push_back(W_FX_INFO_PANEL);
    return canvases;
}

}  // namespace

void fx_set_background_from(BackgroundFrom from) { g_from = from; }

bool fx_busy() { return editor_panel().busy(); }

bool EditorPanel::aside_for(std::int64_t pixels) const { return pixels >= g_from.pixels; }

bool EditorPanel::aside_for_files(const std::string& files) const {
    for (const std::string& path : split_drop_text(files)) {
        std::error_code error;
        const std::uintmax_t size = std::filesystem::file_size(path, error);
        if ((error ? 0 : size) >= g_from.file_bytes) return true;
    }
    return false;
}

void EditorPanel::run(bool aside, std::function<Finish()> work) {
    if (!aside) {
        work()();
        return;
    }
    auto job_aside = std::make_unique<Aside>(Aside{++g_jobs, std::move(work), effect_random()});
    const std::uint64_t number = job_aside->number;
    Aside* handed = job_aside.release();
    const ThreadHandle thread = start_thread(aside_entry, reinterpret_cast<std::intptr_t>(handed));
    if (!thread) {
        // No thread to be had: the work is done here after all.
        job_aside.reset(handed);
        job_aside->work()();
        return;
    }
    job.number = number;
    job.thread = thread;
    job.pointers.clear();
    for (int canvas : panel_canvases()) {
        job.pointers.emplace_back(canvas, pointer_shape(canvas));
        set_pointer_shape(canvas, PointerShape::Busy);
    }
    status(texts().fx_busy);
    show_step();  // every command off
}

void EditorPanel::finish_job(std::uint64_t number, const Finish& finish) {
    if (!busy() || number != job.number) return;
    kill_thread(job.thread);  // it has returned or is about to: joined
    const std::vector<std::pair<int, PointerShape>> pointers = std::move(job.pointers);
    job = {};
    for (const auto& [canvas, shape] : pointers) set_pointer_shape(canvas, shape);
    show_step();
    finish();
}

void EditorPanel::drop_job() {
    if (job.thread) kill_thread(job.thread);
    job = {};
}

void EditorPanel::refuse_while_busy() const { status(texts().fx_busy); }

void EditorPanel::busy_event(int widget, SubKind sub) {
    switch (sub) {
    case SubKind::PointerLeave:
        // A button lit under the pointer when the action began goes out.
        for (std::size_t i = 0; i < effects.size(); ++i)
            if (widget == effect_button(i)) {
                paint_icon(widget, effect_icon(effects[i], false));
                show_info("");
            }
        if (widget == W_WEBCAM_BUTTON) paint_webcam_button();
        break;
    case SubKind::LeftButtonDown:
    case SubKind::RightButtonDown: refuse_while_busy(); break;
    default: break;
    }
}

}  // namespace pixmold
