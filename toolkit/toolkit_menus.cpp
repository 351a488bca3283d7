// Menu bars with command numbers and picture icons.
#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QPixmap>

#include "toolkit/toolkit_internal.h"

namespace pixmold {

using namespace detail;

namespace {

QAction* menu_action(int window, int command) {
    auto it = state().windows.find(window);
    if (it == state().windows.end()) return nullptr;
    auto item = it->second.menu_items.find(command);
    return item == it->second.menu_items.end() ? nullptr : item->second.data();
}

}  // namespace

bool create_menu_bar(int window) {
    ShellWindow* w = find_window(window);
    if (!w) return false;
    state().windows[window].menu_items.clear();
    auto* bar = new QMenuBar(w);  // owned by the window
    w->attach_menu_bar(bar);
    bar->show();
    state().menu_bar = bar;
    state().menu = nullptr;
    state().menu_window = window;
    return true;
}

void add_menu_title(const std::string& text) {
    if (!state().menu_bar) return;
    state().menu = state().menu_bar->addMenu(QString::fromStdString(text));
    if (ShellWindow* w = find_window(state().menu_window)) w->relayout();
}

void add_menu_item(int command, const std::string& text, ImageHandle icon) {
    if (!state().menu) return;
    QAction* item = state().menu->addAction(QString::fromStdString(text));
    QImage picture = picture_image(icon);
    if (!picture.isNull()) item->setIcon(QIcon(QPixmap::fromImage(picture)));
    int window = state().menu_window;
    QObject::connect(item, &QAction::triggered, [window, command] {
        QueuedEvent e;
        e.kind = EventKind::MenuCommand;
        e.window = window;
        e.command = command;
        push_event(e);
    });
    state().windows[window].menu_items[command] = item;
}

void add_menu_check_item(int command, const std::string& text, bool checked) {
    add_menu_item(command, text);
    QAction* item = menu_action(state().menu_window, command);
    if (!item) return;
    item->setCheckable(true);
    item->setChecked(checked);
}

void add_menu_separator() {
    if (state().menu) state().menu->addSeparator();
}

void set_menu_item_checked(int window, int command, bool checked) {
    if (QAction* item = menu_action(window, command)) item->setChecked(checked);
}

bool menu_item_checked(int window, int command) {
    const QAction* item = menu_action(window, command);
    return item && item->isChecked();
}

void set_menu_item_text(int window, int command, const std::string& text) {
    auto it = state().windows.find(window);
    if (it == state().windows.end()) return;
    auto item = it->second.menu_items.find(command);
    if (item != it->second.menu_items.end() && item->second) item->second->setText(QString::fromStdString(text));
}

std::string menu_item_text(int window, int command) {
    auto it = state().windows.find(window);
    if (it == state().windows.end()) return {};
    auto item = it->second.menu_items.find(command);
    if (item == it->second.menu_items.end() || !item->second) return {};
    return item->second->text().toStdString();
}

void trigger_menu_item(int window, int command) {
    auto it = state().windows.find(window);
    if (it == state().windows.end()) return;
    auto item = it->second.menu_items.find(command);
    if (item != it->second.menu_items.end() && item->second) item->second->trigger();
}

}  // namespace pixmold
