#include "app/shutdown.h"

#include <cstdlib>

#include "app/batch_start.h"
#include "app/online.h"
#include "app/shell_state.h"
#include "app/signals.h"
#include "image/image.h"
#include "toolkit/camera.h"
#include "toolkit/instance_channel.h"
#include "toolkit/sound.h"
#include "platform/threads.h"
#include "toolkit/toolkit.h"

namespace pixmold {

void release_resources() {
    remove_close_signals();
    stop_listening_for_handovers();  // a later start then waits for the lock and runs
    batch_stop();        // outputs in progress are abandoned without a trace
    stop_online();       // a running download is aborted before its thread is joined
    camera_stop();       // the device is released while the toolkit still runs
    kill_all_threads();  // workers write to widgets; they end before the widgets do
    shutdown_sound();
    shutdown_toolkit();  // windows, widgets, menus, fonts
    free_all_images();
}

void shutdown_program() {
    stop_listening_for_handovers();  // before the fade: nothing can be handed over any more
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
