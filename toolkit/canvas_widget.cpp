#include "toolkit/canvas_widget.h"

#include <algorithm>

#include <QCursor>
#include <QEnterEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPen>

#include "toolkit/toolkit_internal.h"

namespace pixmold::detail {

CanvasWidget::CanvasWidget(QWidget* parent) : QWidget(parent) {
    setMouseTracking(true);
    setFocusPolicy(Qt::ClickFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void CanvasWidget::resize_picture(int width, int height) {
    width = std::max(width, 1);
    height = std::max(height, 1);
    if (width == picture_width_ && height == picture_height_) return;
    int stride = (width * 3 + 3) / 4 * 4;
    std::vector<std::uint8_t> fresh(std::size_t(stride) * std::size_t(height), 0xFF);
    // Keep what was drawn where the old and new pictures overlap (top-left anchored).
    for (int y = 0; y < std::min(height, picture_height_); ++y) {
        const std::uint8_t* from = memory_.data() + std::size_t(picture_height_ - 1 - y) * std::size_t(stride_);
        std::uint8_t* to = fresh.data() + std::size_t(height - 1 - y) * std::size_t(stride);
        std::copy(from, from + std::min(width, picture_width_) * 3, to);
    }
    memory_ = std::move(fresh);
    picture_width_ = width;
    picture_height_ = height;
    stride_ = stride;
    update();
}

PixelView CanvasWidget::pixels() {
    PixelView view;
    view.pixels = memory_.data();
    view.width = picture_width_;
    view.height = picture_height_;
    view.depth = 24;
    view.stride = stride_;
    return view;
}

void CanvasWidget::set_shape(PointerShape shape) {
    shape_ = shape;
    switch (shape) {
    case PointerShape::Arrow: setCursor(Qt::ArrowCursor); break;
    case PointerShape::Cross: setCursor(Qt::CrossCursor); break;
    case PointerShape::Hand: setCursor(Qt::PointingHandCursor); break;
    case PointerShape::Forbidden: setCursor(Qt::ForbiddenCursor); break;
    case PointerShape::Busy: setCursor(Qt::BusyCursor); break;
    }
}

void CanvasWidget::set_focus_frame(bool on) {
    focus_frame_ = on;
    setFocusPolicy(on || control_ ? Qt::StrongFocus : Qt::ClickFocus);
    update();
}

void CanvasWidget::set_control(CanvasControl control) {
    control.enabled.assign(control.parts.size(), true);
    control_ = std::move(control);
    focused_button_ = 0;
    setFocusPolicy(Qt::StrongFocus);
    update();
}

void CanvasWidget::set_value(int value) {
    if (!control_ || control_->value == value) return;
    const int old = control_->value;
    control_->value = value;
    if (hasFocus()) update();
    announce_value_change(this, old);
}

void CanvasWidget::set_part_enabled(int part, bool enabled) {
    if (!control_ || part < 0 || part >= part_count() || control_->enabled[std::size_t(part)] == enabled) return;
    control_->enabled[std::size_t(part)] = enabled;
    announce_part_state(this, part);
}

bool CanvasWidget::parts_are_stops() const {
    return control_ && control_->kind == ControlKind::Button && part_count() > 1;
}

int CanvasWidget::focused_part() const {
    if (!control_ || control_->parts.empty()) return -1;
    switch (control_->kind) {
    case ControlKind::Choice:
    case ControlKind::Slider: return std::clamp(control_->value, 0, part_count() - 1);
    case ControlKind::Button: return std::clamp(focused_button_, 0, part_count() - 1);
    default: return 0;
    }
}

QRect CanvasWidget::part_rect(int part) const {
    if (!control_ || part < 0 || part >= part_count()) return {};
    const ControlPart& p = control_->parts[std::size_t(part)];
    return QRect(p.x, p.y, p.width, p.height);
}

void CanvasWidget::move_part_focus(int part) {
    if (part == focused_button_) return;
    focused_button_ = part;
    update();
    tell_part_focus();
}

void CanvasWidget::focus_part(int part) {
    if (!parts_are_stops() || part < 0 || part >= part_count()) return;
    if (!hasFocus()) {
        focused_button_ = part;
        setFocus(Qt::OtherFocusReason);
    } else {
        move_part_focus(part);
    }
}

// A screen reader follows the focus from part to part only when told.
void CanvasWidget::tell_part_focus() {
    if (control_ && (parts_are_stops() || control_->kind == ControlKind::Choice) && hasFocus())
        announce_part_focus(this, focused_part());
}

void CanvasWidget::press(int part) {
    if (!control_ || part < 0 || part >= part_count()) return;
    const ControlPart& p = control_->parts[std::size_t(part)];
    if (parts_are_stops()) move_part_focus(part);
    report(SubKind::LeftButtonDown, QPoint(p.press_x, p.press_y));
    report(SubKind::LeftButtonUp, QPoint(p.press_x, p.press_y));
}

bool CanvasWidget::acts_on_key(int qt_key) const {
    if (!control_) return false;
    switch (qt_key) {
    case Qt::Key_Space:
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return control_->kind != ControlKind::Slider && control_->kind != ControlKind::Picture;
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_Up:
    case Qt::Key_Down:
        return control_->kind == ControlKind::Choice || control_->kind == ControlKind::Slider || parts_are_stops();
    case Qt::Key_Home:
    case Qt::Key_End:
        return control_->kind == ControlKind::Choice || control_->kind == ControlKind::Slider;
    default: return false;
    }
}

void CanvasWidget::keyPressEvent(QKeyEvent* event) {
    if (!control_ || (event->modifiers() & ~Qt::KeypadModifier) || !acts_on_key(event->key())) {
        QWidget::keyPressEvent(event);
        return;
    }
    event->accept();
    const ControlKind kind = control_->kind;
    const int last = part_count() - 1;
    const int at = focused_part();
    if (last < 0) return;
    switch (event->key()) {
    case Qt::Key_Space:
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (!event->isAutoRepeat()) press(kind == ControlKind::Choice ? (at + 1) % (last + 1) : at);
        return;
    case Qt::Key_Home: press(0); return;
    case Qt::Key_End: press(last); return;
    default: break;
    }
    // One step back or on: Left always goes back, Up goes back in a list of
    // choices but raises a slider.
    const int key = event->key();
    const bool back = key == Qt::Key_Left || (key == Qt::Key_Up && kind != ControlKind::Slider) ||
                      (key == Qt::Key_Down && kind == ControlKind::Slider);
    const int to = at + (back ? -1 : 1);
    if (to < 0 || to > last) return;
    if (parts_are_stops())
        move_part_focus(to);
    else
        press(to);
}

bool CanvasWidget::focusNextPrevChild(bool next) {
    // Tab goes through a button bar's buttons before it leaves the bar.
    if (parts_are_stops() && hasFocus()) {
        const int to = focused_button_ + (next ? 1 : -1);
        if (to >= 0 && to < part_count()) {
            move_part_focus(to);
            return true;
        }
    }
    return QWidget::focusNextPrevChild(next);
}

void CanvasWidget::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    QImage picture(memory_.data(), picture_width_, picture_height_, stride_, QImage::Format_BGR888);
    painter.drawImage(0, 0, picture.mirrored(false, true));  // memory rows are bottom-up
    if (!hasFocus()) return;
    // Marks go on the screen only: the program's picture stays as it drew it.
    // A control shows the focus once the keyboard moves it, as Qt's own
    // buttons do; a pointer click leaves its looks alone.
    if (control_ && window()->testAttribute(Qt::WA_KeyboardFocusChange)) {
        const QRect area = part_rect(focused_part());
        draw_focus_mark(painter, area.isEmpty() ? rect() : area);
    } else if (focus_frame_) {
        painter.setPen(QPen(Qt::black, 1, Qt::DotLine));
        painter.drawRect(rect().adjusted(1, 1, -2, -2));
    }
}

void draw_focus_mark(QPainter& painter, QRect area) {
    painter.setBrush(Qt::NoBrush);
    for (int ring = 0; ring < 2; ++ring) {
        const QRect r = area.adjusted(ring, ring, -1 - ring, -1 - ring);
        painter.setPen(QPen(Qt::white, 1));
        painter.drawRect(r);
        painter.setPen(QPen(Qt::black, 1, Qt::DotLine));
        painter.drawRect(r);
    }
}

void CanvasWidget::report(SubKind subkind, QPoint position) {
    QueuedEvent e;
    e.kind = EventKind::WidgetEvent;
    e.widget = number_;
    e.subkind = subkind;
    e.x = position.x();
    e.y = position.y();
    if (WidgetRecord* record = find_record(number_)) e.window = record->window;
    push_event(e);
}

void CanvasWidget::enterEvent(QEnterEvent* event) { report(SubKind::PointerEnter, event->position().toPoint()); }

void CanvasWidget::leaveEvent(QEvent*) { report(SubKind::PointerLeave, mapFromGlobal(QCursor::pos())); }

void CanvasWidget::mouseMoveEvent(QMouseEvent* event) { report(SubKind::PointerMove, event->position().toPoint()); }

void CanvasWidget::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) report(SubKind::LeftButtonDown, event->position().toPoint());
    if (event->button() == Qt::RightButton) report(SubKind::RightButtonDown, event->position().toPoint());
}

void CanvasWidget::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) report(SubKind::LeftButtonUp, event->position().toPoint());
}

void CanvasWidget::focusInEvent(QFocusEvent* event) {
    if (parts_are_stops()) {
        // Tab enters a button bar at its first button, Shift+Tab at its last.
        if (event->reason() == Qt::TabFocusReason) focused_button_ = 0;
        if (event->reason() == Qt::BacktabFocusReason) focused_button_ = part_count() - 1;
    }
    if (focus_frame_ || control_) update();
    report(SubKind::FocusGained, mapFromGlobal(QCursor::pos()));
    // After Qt has told screen readers about the canvas: then its part.
    QMetaObject::invokeMethod(this, [this] { tell_part_focus(); }, Qt::QueuedConnection);
}

void CanvasWidget::focusOutEvent(QFocusEvent*) {
    if (focus_frame_ || control_) update();
}

}  // namespace pixmold::detail

namespace pixmold {

using namespace detail;

namespace {
CanvasWidget* find_canvas(int number) {
    WidgetRecord* record = find_record(number);
    if (!record || record->kind != WidgetKind::Canvas) return nullptr;
    return static_cast<CanvasWidget*>(record->widget.data());
}
}  // namespace

void set_pointer_shape(int canvas, PointerShape shape) {
    if (CanvasWidget* c = find_canvas(canvas)) c->set_shape(shape);
}

void set_canvas_focus_frame(int canvas, bool on) {
    if (CanvasWidget* c = find_canvas(canvas)) c->set_focus_frame(on);
}

PointerShape pointer_shape(int canvas) {
    CanvasWidget* c = find_canvas(canvas);
    return c ? c->shape() : PointerShape::Arrow;
}

PixelView canvas_pixels(int canvas) {
    CanvasWidget* c = find_canvas(canvas);
    return c ? c->pixels() : PixelView{};
}

void canvas_changed(int canvas) {
    run_on_ui([canvas] {
        if (CanvasWidget* c = find_canvas(canvas)) c->update();
    });
}

void set_canvas_control(int canvas, ControlKind kind, const std::string& name, std::vector<ControlPart> parts,
                        const std::string& description) {
    CanvasWidget* c = find_canvas(canvas);
    if (!c) return;
    CanvasControl control;
    control.kind = kind;
    control.name = QString::fromStdString(name);
    control.description = QString::fromStdString(description);
    control.parts = std::move(parts);
    if (c->control()) control.value = c->control()->value;
    c->set_control(std::move(control));
}

void set_control_value(int canvas, int value) {
    if (CanvasWidget* c = find_canvas(canvas)) c->set_value(value);
}

int control_value(int canvas) {
    CanvasWidget* c = find_canvas(canvas);
    return c && c->control() ? c->control()->value : 0;
}

void set_control_part_enabled(int canvas, int part, bool enabled) {
    if (CanvasWidget* c = find_canvas(canvas)) c->set_part_enabled(part, enabled);
}

}  // namespace pixmold
