// Top-level windows: inner area, menu bar, drops, close requests, fading.
#include <QApplication>
#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QIcon>
#include <QPixmap>
#include <QMenuBar>
#include <QMimeData>
#include <QScreen>
#include <QThread>

#include "toolkit/toolkit_internal.h"

namespace pixmold {
namespace detail {

ShellWindow::ShellWindow(int number, int inner_width, int inner_height)
    : number_(number), inner_width_(inner_width), inner_height_(inner_height), client_(new QWidget(this)) {
    client_->setAutoFillBackground(true);
    relayout();
}

void ShellWindow::set_inner_size(int width, int height) {
    inner_width_ = width;
    inner_height_ = height;
    relayout();
}

void ShellWindow::attach_menu_bar(QMenuBar* bar) {
    delete menu_bar_;
    menu_bar_ = bar;
    relayout();
}

int ShellWindow::menu_height() const { return menu_bar_ ? menu_bar_->sizeHint().height() : 0; }

void ShellWindow::relayout() {
    int top = menu_height();
    if (menu_bar_) menu_bar_->setGeometry(0, 0, inner_width_, top);
    client_->setGeometry(0, top, inner_width_, inner_height_);
    setFixedSize(inner_width_, inner_height_ + top);
}

void ShellWindow::set_drops(bool on) { setAcceptDrops(on); }

void ShellWindow::closeEvent(QCloseEvent* event) {
    if (closing_) {
        event->accept();
        return;
    }
    // The program decides whether the window closes.
    event->ignore();
    QueuedEvent e;
    e.kind = EventKind::CloseRequest;
    e.window = number_;
    push_event(e);
}

void ShellWindow::dragEnterEvent(QDragEnterEvent* event) { take_drag(event); }

void ShellWindow::dragMoveEvent(QDragMoveEvent* event) { take_drag(event); }

void ShellWindow::dropEvent(QDropEvent* event) { take_drop(event); }

bool ShellWindow::take_drag(QDragMoveEvent* event) {
    if (dropped_paths(event->mimeData()).empty()) return false;
    event->acceptProposedAction();
    return true;
}

bool ShellWindow::take_drop(QDropEvent* event) {
    std::string files = dropped_paths(event->mimeData());
    if (files.empty()) return false;
    event->acceptProposedAction();
    QueuedEvent e;
    e.kind = EventKind::DropOnWindow;
    e.window = number_;
    e.files = std::move(files);
    push_event(e);
    return true;
}

namespace {

// Files dragged over any widget of a window that takes drops are the
// window's, unless that widget (or one it is part of) takes drops itself
// (enable_widget_drops). Without this an editable field takes the paths as
// text, or refuses them, and the window never hears of the drop.
class DropRouter : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* target, QEvent* event) override {
        const QEvent::Type type = event->type();
        if (type != QEvent::DragEnter && type != QEvent::DragMove && type != QEvent::Drop) return false;
        if (!target->isWidgetType()) return false;
        auto* widget = static_cast<QWidget*>(target);
        auto* window = dynamic_cast<ShellWindow*>(widget->window());
        if (!window || widget == window || !window->acceptDrops()) return false;
        for (QWidget* w = widget; w && w != window; w = w->parentWidget())
            if (takes_own_drops(w)) return false;
        if (type == QEvent::Drop) return window->take_drop(static_cast<QDropEvent*>(event));
        return window->take_drag(static_cast<QDragMoveEvent*>(event));
    }
};

}  // namespace

void install_drop_router() {
    static QPointer<DropRouter> router;
    if (!router) {
        router = new DropRouter(state().app.get());  // owned by the application object
        state().app->installEventFilter(router);
    }
}

ShellWindow* find_window(int number) {
    auto it = state().windows.find(number);
    return it == state().windows.end() ? nullptr : it->second.window.data();
}

int window_number_of(const QWidget* top_level) {
    for (auto& [number, record] : state().windows)
        if (record.window == top_level) return number;
    return -1;
}

}  // namespace detail

using namespace detail;

bool open_window(int number, int x, int y, int width, int height, const std::string& title, int flags) {
    if (!state().app || width <= 0 || height <= 0) return false;
    close_window(number);
    auto window = std::make_unique<ShellWindow>(number, width, height);
    Qt::WindowFlags qt_flags = Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint;
    if (flags & WINDOW_SYSTEM_MENU) qt_flags |= Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
    if (flags & WINDOW_MINIMIZE_BOX) qt_flags |= Qt::WindowMinimizeButtonHint;
    window->setWindowFlags(qt_flags);
    window->setWindowTitle(QString::fromStdString(title));
    if (flags & WINDOW_RESIZABLE) {
        window->setMinimumSize(0, 0);
        window->setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    }
    if (flags & WINDOW_SCREEN_CENTERED) {
        if (QScreen* screen = QGuiApplication::primaryScreen()) {
            QRect area = screen->geometry();
            x = area.x() + (area.width() - width) / 2;
            y = area.y() + (area.height() - height) / 2;
        }
    }
    window->move(x, y);
    ShellWindow* raw = window.release();  // owned through the window table, deleted by close_window
    state().windows[number].window = raw;
    if (!(flags & WINDOW_HIDDEN)) raw->show();
    return true;
}

void close_window(int number) {
    auto it = state().windows.find(number);
    if (it == state().windows.end()) return;
    clear_widgets_of_window(number);
    if (ShellWindow* window = it->second.window.data()) {
        window->allow_close();
        window->close();
        delete window;
    }
    if (state().menu_window == number) {
        state().menu_bar = nullptr;
        state().menu = nullptr;
        state().menu_window = -1;
    }
    state().windows.erase(number);
}

bool window_exists(int number) { return find_window(number) != nullptr; }

void show_window(int number, bool visible) {
    run_on_ui([number, visible] {
        if (ShellWindow* w = find_window(number)) w->setVisible(visible);
    });
}

void set_window_title(int number, const std::string& title) {
    if (ShellWindow* w = find_window(number)) w->setWindowTitle(QString::fromStdString(title));
}

void set_window_colour(int number, std::int32_t colour) {
    ShellWindow* w = find_window(number);
    if (!w) return;
    QPalette palette = w->client()->palette();
    palette.setColor(QPalette::Window, to_qcolor(colour));
    w->client()->setPalette(palette);
    w->client()->setAutoFillBackground(true);
}

void set_window_icon(int number, ImageHandle picture) {
    ShellWindow* w = find_window(number);
    if (!w) return;
    QImage image = picture_image(picture);
    w->setWindowIcon(image.isNull() ? QIcon() : QIcon(QPixmap::fromImage(image)));
}

void set_topmost(int number, bool on) {
    ShellWindow* w = find_window(number);
    if (!w) return;
    bool was_visible = w->isVisible();
    w->setWindowFlag(Qt::WindowStaysOnTopHint, on);
    if (was_visible) w->show();  // changing flags hides a window
}

void bring_window_forward(int number) {
    ShellWindow* w = find_window(number);
    if (!w || !w->isVisible()) return;
    if (w->isMinimized()) w->setWindowState(w->windowState() & ~Qt::WindowMinimized);
    w->raise();
    w->activateWindow();
    QWidget* modal = QApplication::activeModalWidget();
    if (modal && modal != w) {
        modal->raise();
        modal->activateWindow();
    }
    // Focus-stealing prevention may keep the focus elsewhere: then the task
    // bar shows that the window wants attention, until it is activated.
    QApplication::alert(w);
}

bool window_topmost(int number) {
    ShellWindow* w = find_window(number);
    return w && (w->windowFlags() & Qt::WindowStaysOnTopHint);
}

void move_resize_window(int number, int x, int y, int inner_width, int inner_height) {
    ShellWindow* w = find_window(number);
    if (!w) return;
    if (x != KEEP || y != KEEP) w->move(x == KEEP ? w->x() : x, y == KEEP ? w->y() : y);
    if (inner_width != KEEP || inner_height != KEEP)
        w->set_inner_size(inner_width == KEEP ? w->inner_width() : inner_width,
                          inner_height == KEEP ? w->inner_height() : inner_height);
}

int window_x(int number) {
    ShellWindow* w = find_window(number);
    return w ? w->x() : 0;
}
int window_y(int number) {
    ShellWindow* w = find_window(number);
    return w ? w->y() : 0;
}
int window_width(int number) {
    ShellWindow* w = find_window(number);
    return w ? w->inner_width() : 0;
}
int window_height(int number) {
    ShellWindow* w = find_window(number);
    return w ? w->inner_height() : 0;
}
int menu_bar_height(int number) {
    ShellWindow* w = find_window(number);
    return w ? w->menu_height() : 0;
}

void enable_window_drops(int number, bool on) {
    if (ShellWindow* w = find_window(number)) w->set_drops(on);
}

void fade_out_window(int number, int milliseconds) {
    ShellWindow* w = find_window(number);
    if (!w) return;
    const QString platform = QGuiApplication::platformName();
    // Headless platforms show nothing, so there is nothing to wait for.
    if (w->isVisible() && milliseconds > 0 && platform != "offscreen" && platform != "minimal") {
        QElapsedTimer clock;
        clock.start();
        while (clock.elapsed() < milliseconds) {
            w->setWindowOpacity(1.0 - double(clock.elapsed()) / milliseconds);
            QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents, 10);
            QThread::msleep(15);
        }
        w->setWindowOpacity(0.0);
    }
    w->hide();
}

}  // namespace pixmold

namespace pixmold {
bool window_visible(int number) {
    detail::ShellWindow* w = detail::find_window(number);
    return w && w->isVisible();
}
}  // namespace pixmold
