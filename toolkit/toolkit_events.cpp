// Toolkit start and end, the event queue (with the work posted from other
// threads), the close-request pipe, keyboard shortcuts and running work on
// the user-interface thread.
#include <fcntl.h>
#include <unistd.h>

#include <QApplication>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QKeyEvent>
#include <QMimeData>
#include <QPushButton>
#include <QSocketNotifier>
#include <QThread>
#include <QTimer>
#include <QUrl>

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <string_view>

#include "toolkit/canvas_widget.h"
#include "toolkit/sound.h"
#include "toolkit/toolkit_internal.h"

namespace pixmold {
namespace detail {
namespace {

std::atomic<int> close_pipe_write{-1};
int close_pipe_read = -1;
std::unique_ptr<QSocketNotifier> close_notifier;

// Windows virtual-key codes the program uses, as Qt keys.
int qt_key_to_virtual(int key) {
    if (key >= Qt::Key_A && key <= Qt::Key_Z) return 'A' + (key - Qt::Key_A);
    if (key >= Qt::Key_0 && key <= Qt::Key_9) return '0' + (key - Qt::Key_0);
    switch (key) {
    case Qt::Key_Return:
    case Qt::Key_Enter: return KEY_RETURN;
    case Qt::Key_Escape: return KEY_ESCAPE;
    case Qt::Key_Delete: return KEY_DELETE;
    default: return -1;
    }
}

// Sees every key press before the focused widget does.
class KeyFilter : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* target, QEvent* event) override {
        if (event->type() != QEvent::KeyPress || !target->isWidgetType()) return false;
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->modifiers() & ~Qt::KeypadModifier) return false;
        auto* widget = static_cast<QWidget*>(target);
        int window = window_number_of(widget->window());
        if (window < 0) return false;
        // A focused control keeps the keys it acts on: Return presses a
        // button (as Space does) and works a canvas control.
        const bool enter = key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
        if (auto* button = qobject_cast<QPushButton*>(widget); button && enter) {
            if (!key->isAutoRepeat()) button->click();
            return true;
        }
        if (auto* canvas = dynamic_cast<CanvasWidget*>(widget); canvas && canvas->acts_on_key(key->key())) return false;
        auto record = state().windows.find(window);
        if (record == state().windows.end()) return false;
        auto it = record->second.shortcuts.find(qt_key_to_virtual(key->key()));
        if (it == record->second.shortcuts.end()) return false;
        QueuedEvent e;
        e.kind = EventKind::MenuCommand;
        e.window = window;
        e.command = it->second;
        push_event(e);
        return true;
    }
};

}  // namespace

ToolkitState& state() {
    // Never destroyed: Qt's own globals are gone by the time static
    // destructors run, so a program that exits without shutdown_toolkit
    // must not tear the application object down then.
    static ToolkitState* s = new ToolkitState;
    return *s;
}

void push_event(QueuedEvent event) {
    state().queue.push_back(std::move(event));
    if (state().waiting) state().waiting->quit();
}

bool on_ui_thread() {
    QCoreApplication* app = QCoreApplication::instance();
    return app && QThread::currentThread() == app->thread();
}

void run_on_ui(std::function<void()> work) {
    QCoreApplication* app = QCoreApplication::instance();
    if (!app) return;
    if (QThread::currentThread() == app->thread())
        work();
    else
        QMetaObject::invokeMethod(app, std::move(work), Qt::QueuedConnection);
}

std::string dropped_paths(const QMimeData* mime) {
    if (!mime || !mime->hasUrls()) return {};
    std::string joined;
    for (const QUrl& url : mime->urls()) {
        if (!url.isLocalFile()) continue;
        if (!joined.empty()) joined += '\n';
        joined += url.toLocalFile().toStdString();
    }
    return joined;
}

void install_key_filter() {
    static QPointer<KeyFilter> filter;
    if (!filter) {
        filter = new KeyFilter(state().app.get());  // owned by the application object
        state().app->installEventFilter(filter);
    }
}

void start_close_pipe() {
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC | O_NONBLOCK) != 0) return;
    close_pipe_read = fds[0];
    close_notifier = std::make_unique<QSocketNotifier>(fds[0], QSocketNotifier::Read);
    QObject::connect(close_notifier.get(), &QSocketNotifier::activated, [] {
        int window = 0;
        while (::read(close_pipe_read, &window, sizeof window) == sizeof window) {
            QueuedEvent e;
            e.kind = EventKind::CloseRequest;
            e.window = window;
            push_event(e);
        }
    });
    close_pipe_write.store(fds[1]);
}

void stop_close_pipe() {
    int w = close_pipe_write.exchange(-1);
    close_notifier.reset();
    if (w >= 0) ::close(w);
    if (close_pipe_read >= 0) ::close(close_pipe_read);
    close_pipe_read = -1;
}

}  // namespace detail

using namespace detail;

namespace {

// True when the command line chooses a platform or display itself.
bool names_a_display(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        std::string_view arg = argv[i];
        if (arg.starts_with("--")) arg.remove_prefix(1);  // Qt reads --option as -option
        if (arg == "-platform" || arg == "-display") return true;
    }
    return false;
}

}  // namespace

bool init_toolkit() {
    static int argc = 1;
    static char name[] = "pixmold";
    static char* argv[] = {name, nullptr};
    return init_toolkit(argc, argv);
}

bool init_toolkit(int& argc, char** argv) {
    if (state().app) return true;
    if (!QCoreApplication::instance()) {
        // Without a display Qt would abort the process; report it instead.
        const char* platform = std::getenv("QT_QPA_PLATFORM");
        if ((!platform || !*platform) && !std::getenv("DISPLAY") && !std::getenv("WAYLAND_DISPLAY") &&
            !names_a_display(argc, argv))
            return false;
        state().app = std::make_unique<QApplication>(argc, argv);
    } else if (!qobject_cast<QApplication*>(QCoreApplication::instance())) {
        return false;
    }
    QApplication::setQuitOnLastWindowClosed(false);
    // The program asks for Windows font faces; map them to metric-compatible ones.
    QFont::insertSubstitutions("Microsoft Sans Serif", {"Liberation Sans", "DejaVu Sans"});
    QFont::insertSubstitutions("Arial", {"Liberation Sans", "DejaVu Sans"});
    QFont::insertSubstitutions("Arial black", {"Liberation Sans", "DejaVu Sans"});
    install_key_filter();
    install_drop_router();
    install_accessibility();
    start_close_pipe();
    return true;
}

bool toolkit_running() { return state().app != nullptr || qobject_cast<QApplication*>(QCoreApplication::instance()); }

void shutdown_toolkit() {
    shutdown_sound();
    destroy_all_widgets();
    std::vector<int> numbers;
    for (auto& [number, record] : state().windows) numbers.push_back(number);
    for (int number : numbers) close_window(number);
    clear_fonts();
    stop_close_pipe();
    drop_ui_tasks();
    state().queue.clear();
    state().last = {};
    state().app.reset();
}

EventKind wait_event(int timeout_ms) {
    ToolkitState& s = state();
    if (!QCoreApplication::instance()) return EventKind::None;
    run_ui_tasks();
    if (s.queue.empty()) {
        const QDeadlineTimer deadline =
            timeout_ms < 0 ? QDeadlineTimer(QDeadlineTimer::Forever) : QDeadlineTimer(timeout_ms);
        // Posted work wakes the loop too: run it, then wait on for an event.
        do {
            QEventLoop loop;
            s.waiting = &loop;
            if (!deadline.isForever())
                QTimer::singleShot(static_cast<int>(deadline.remainingTime()), &loop, &QEventLoop::quit);
            loop.exec();
            s.waiting = nullptr;
            run_ui_tasks();
        } while (s.queue.empty() && !deadline.hasExpired());
    }
    if (s.queue.empty()) {
        s.last = {};
        return EventKind::None;
    }
    s.last = std::move(s.queue.front());
    s.queue.pop_front();
    return s.last.kind;
}

int event_window() { return state().last.window; }
int event_widget() { return state().last.widget; }
int event_command() { return state().last.command; }
SubKind event_subkind() { return state().last.subkind; }
int event_x() { return state().last.x; }
int event_y() { return state().last.y; }
std::string event_dropped_files() { return state().last.files; }

void post_close_request(int window) {
    int fd = close_pipe_write.load();
    if (fd < 0) return;
    int saved = errno;
    [[maybe_unused]] ssize_t ignored = ::write(fd, &window, sizeof window);
    errno = saved;
}

void add_shortcut(int window, int key, int command) {
    if (!find_window(window)) return;
    state().windows[window].shortcuts[key] = command;
}

void remove_shortcut(int window, int key) {
    auto it = state().windows.find(window);
    if (it != state().windows.end()) it->second.shortcuts.erase(key);
}

}  // namespace pixmold
