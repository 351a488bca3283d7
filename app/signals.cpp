#include "app/signals.h"

#include <csignal>

#include "app/shell_state.h"
#include "toolkit/toolkit.h"

namespace pixmold {
namespace {

extern "C" void on_close_signal(int) { post_close_request(MAIN_WINDOW); }

void set_handler(void (*handler)(int)) {
    struct sigaction action {};
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGINT, &action, nullptr);
}

}  // namespace

void install_close_signals() { set_handler(on_close_signal); }
void remove_close_signals() { set_handler(SIG_DFL); }

}  // namespace pixmold
