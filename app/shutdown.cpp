#include "app/shutdown.h"

#include <sys/stat.h>

#include <cstdlib>
#include <unistd.h>

#include "app/batch_start.h"
#include "app/online.h"
#include "app/shell_state.h"
#include "app/signals.h"
#include "image/image.h"
#include "runtime/sound.h"
#include "runtime/threads.h"
#include "runtime/toolkit.h"

namespace pixmold {

void delete_snapshot(const std::string& path) {
    if (path.empty()) return;
    ::chmod(path.c_str(), 0644);
    ::unlink(path.c_str());
}

void release_resources() {
    remove_close_signals();
    batch_stop();        // outputs in progress are abandoned without a trace
    stop_online();       // a running download is aborted before its thread is joined
    kill_all_threads();  // workers write to widgets; they end before the widgets do
    shutdown_sound();
    shutdown_toolkit();  // windows, widgets, menus, fonts
    free_all_images();
}

void shutdown_program() {
    delete_snapshot(shell.snapshot_path);
    if (os_version() > 60) fade_out_window(MAIN_WINDOW, 1000);
    close_window(MAIN_WINDOW);
    release_resources();
}

}  // namespace pixmold

namespace pixmold {

void end_program_now() {
    release_resources();
    std::exit(0);
}

}  // namespace pixmold
