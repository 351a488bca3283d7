#include "toolkit/input_simulation.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QEnterEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>

#include "toolkit/toolkit_internal.h"

namespace pixmold {

namespace {

Qt::Key virtual_to_qt(int key) {
    if (key >= 'A' && key <= 'Z') return static_cast<Qt::Key>(Qt::Key_A + (key - 'A'));
    if (key >= '0' && key <= '9') return static_cast<Qt::Key>(Qt::Key_0 + (key - '0'));
    switch (key) {
    case KEY_TAB: return Qt::Key_Tab;
    case KEY_RETURN: return Qt::Key_Return;
    case KEY_ESCAPE: return Qt::Key_Escape;
    case KEY_SPACE: return Qt::Key_Space;
    case KEY_END: return Qt::Key_End;
    case KEY_HOME: return Qt::Key_Home;
    case KEY_LEFT: return Qt::Key_Left;
    case KEY_UP: return Qt::Key_Up;
    case KEY_RIGHT: return Qt::Key_Right;
    case KEY_DOWN: return Qt::Key_Down;
    case KEY_DELETE: return Qt::Key_Delete;
    default: return Qt::Key_unknown;
    }
}

}  // namespace

bool simulate_pointer(int widget, SubKind what, int x, int y) {
    QWidget* w = detail::find_widget(widget);
    if (!w) return false;
    const QPointF local(x, y);
    const QPointF global = w->mapToGlobal(local);
    switch (what) {
    case SubKind::PointerEnter: {
        QEnterEvent e(local, local, global);
        QApplication::sendEvent(w, &e);
        return true;
    }
    case SubKind::PointerLeave: {
        QEvent e(QEvent::Leave);
        QApplication::sendEvent(w, &e);
        return true;
    }
    case SubKind::PointerMove: {
        QMouseEvent e(QEvent::MouseMove, local, global, Qt::NoButton, Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(w, &e);
        return true;
    }
    case SubKind::LeftButtonDown:
    case SubKind::LeftButtonUp:
    case SubKind::RightButtonDown: {
        const bool press = what != SubKind::LeftButtonUp;
        const Qt::MouseButton button = what == SubKind::RightButtonDown ? Qt::RightButton : Qt::LeftButton;
        QMouseEvent e(press ? QEvent::MouseButtonPress : QEvent::MouseButtonRelease, local, global, button,
                      press ? Qt::MouseButtons(button) : Qt::MouseButtons(Qt::NoButton), Qt::NoModifier);
        QApplication::sendEvent(w, &e);
        return true;
    }
    default:
        return false;
    }
}

bool simulate_click(int widget) {
    auto* button = qobject_cast<QAbstractButton*>(detail::find_widget(widget));
    if (!button) return false;
    button->click();
    return true;
}

bool simulate_key(int window, int key) {
    detail::ShellWindow* top = detail::find_window(window);
    if (!top) return false;
    QWidget* target = top->focusWidget() ? top->focusWidget() : static_cast<QWidget*>(top);
    const Qt::Key qt_key = virtual_to_qt(key);
    QString text;
    if (key >= 'A' && key <= 'Z') text = QString(QChar(key)).toLower();
    if (key == KEY_SPACE || key == KEY_TAB) text = QChar(key);
    QKeyEvent press(QEvent::KeyPress, qt_key, Qt::NoModifier, text);
    QApplication::sendEvent(target, &press);
    QKeyEvent release(QEvent::KeyRelease, qt_key, Qt::NoModifier, text);
    QApplication::sendEvent(target, &release);
    return true;
}

bool simulate_typing(int field, const std::string& text) {
    auto* edit = qobject_cast<QLineEdit*>(detail::find_widget(field));
    if (!edit) return false;
    edit->selectAll();
    edit->del();
    edit->insert(QString::fromStdString(text));
    return true;
}

bool simulate_list_choice(int list, int position) {
    auto* box = qobject_cast<QComboBox*>(detail::find_widget(list));
    if (!box || position < 0 || position >= box->count()) return false;
    box->setCurrentIndex(position);
    emit box->activated(position);
    return true;
}

}  // namespace pixmold
