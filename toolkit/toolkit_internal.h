// Shared state of the toolkit implementation (Qt side). Not for callers.
#pragma once

#include <QFont>
#include <QImage>
#include <QPointer>
#include <QWidget>

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "toolkit/toolkit.h"

class QAction;
class QApplication;
class QEventLoop;
class QMenu;
class QMenuBar;

namespace pixmold::detail {

struct QueuedEvent {
    EventKind kind = EventKind::None;
    int window = -1;
    int widget = -1;
    int command = 0;
    SubKind subkind = SubKind::None;
    int x = 0;
    int y = 0;
    std::string files;
};

class ShellWindow;
class CanvasWidget;

enum class WidgetKind { Canvas, Button, Label, Field, RichText, List, Frame, Picture, Container };

struct WidgetRecord {
    QPointer<QWidget> widget;
    WidgetKind kind = WidgetKind::Label;
    int window = -1;
    std::intptr_t data = 0;
    std::string tooltip;
    // Number of the last text, visibility and enabled change applied.
    std::uint64_t text_change = 0;
    std::uint64_t visible_change = 0;
    std::uint64_t enabled_change = 0;
};

struct WindowRecord {
    QPointer<ShellWindow> window;
    std::map<int, QPointer<QAction>> menu_items;  // command -> item
    std::map<int, int> shortcuts;                  // virtual key -> command
};

struct ToolkitState {
    std::unique_ptr<QApplication> app;
    std::deque<QueuedEvent> queue;
    QueuedEvent last;
    QEventLoop* waiting = nullptr;
    std::map<int, WindowRecord> windows;
    std::map<int, WidgetRecord> widgets;
    std::map<int, QFont> fonts;
    std::optional<QFont> default_widget_font;
    QPointer<QMenuBar> menu_bar;  // the one add_menu_title / add_menu_item fill
    QPointer<QMenu> menu;
    int menu_window = -1;
};

ToolkitState& state();

void push_event(QueuedEvent event);
// Runs `work` on the user-interface thread: now when called there, else queued.
void run_on_ui(std::function<void()> work);
bool on_ui_thread();
// Runs the work posted by post_ui_task (toolkit/ui_tasks.h); true when there was some.
bool run_ui_tasks();
void drop_ui_tasks();

QWidget* find_widget(int number);
WidgetRecord* find_record(int number);
ShellWindow* find_window(int number);
int window_number_of(const QWidget* top_level);

// Files from a drop, local paths joined by "\n"; empty when none is local.
std::string dropped_paths(const class QMimeData* mime);

QImage picture_image(ImageHandle handle);
QFont font_or_default(int number);
QColor to_qcolor(std::int32_t colour);

void install_key_filter();
// Screen readers: the interfaces of the toolkit's canvases and buttons.
void install_accessibility();
// Tell screen readers that a canvas control's part took the focus, that its
// value changed (from `old_value`), or that a part became (un)available.
void announce_part_focus(CanvasWidget* canvas, int part);
void announce_value_change(CanvasWidget* canvas, int old_value);
void announce_part_state(CanvasWidget* canvas, int part);
// Routes drops on a window's widgets to the window (see takes_own_drops).
void install_drop_router();
// True for a widget made a drop target of its own by enable_widget_drops.
bool takes_own_drops(const QWidget* widget);
void start_close_pipe();
void stop_close_pipe();
void clear_widgets_of_window(int window);
void destroy_all_widgets();
void clear_fonts();

// The top-level window: inner area below an optional menu bar, fixed size.
class ShellWindow : public QWidget {
public:
    ShellWindow(int number, int inner_width, int inner_height);
    QWidget* client() const { return client_; }
    void set_inner_size(int width, int height);
    int inner_width() const { return inner_width_; }
    int inner_height() const { return inner_height_; }
    void attach_menu_bar(QMenuBar* bar);
    QMenuBar* menu_bar() const { return menu_bar_; }
    int menu_height() const;
    void allow_close() { closing_ = true; }
    void set_drops(bool on);
    // Accepts a drag of local files, or turns a drop of them into a
    // DropOnWindow; false (the event untouched) when it carries none.
    bool take_drag(QDragMoveEvent* event);
    bool take_drop(QDropEvent* event);
    // Places the menu bar and the inner area again (after the menu bar changed).
    void relayout();

protected:
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    int number_;
    int inner_width_;
    int inner_height_;
    QWidget* client_;
    QMenuBar* menu_bar_ = nullptr;
    bool closing_ = false;
};

}  // namespace pixmold::detail
