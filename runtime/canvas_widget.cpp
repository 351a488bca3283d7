#include "runtime/canvas_widget.h"

#include <QCursor>
#include <QEnterEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPen>

#include "runtime/toolkit_internal.h"

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
    }
}

void CanvasWidget::set_focus_frame(bool on) {
    focus_frame_ = on;
    setFocusPolicy(on ? Qt::StrongFocus : Qt::ClickFocus);
    update();
}

void CanvasWidget::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    QImage picture(memory_.data(), picture_width_, picture_height_, stride_, QImage::Format_BGR888);
    painter.drawImage(0, 0, picture.mirrored(false, true));  // memory rows are bottom-up
    if (focus_frame_ && hasFocus()) {
        // A dotted frame on the screen only: the program's picture stays as it drew it.
        painter.setPen(QPen(Qt::black, 1, Qt::DotLine));
        painter.drawRect(rect().adjusted(1, 1, -2, -2));
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

void CanvasWidget::focusInEvent(QFocusEvent*) {
    if (focus_frame_) update();
    report(SubKind::FocusGained, mapFromGlobal(QCursor::pos()));
}

void CanvasWidget::focusOutEvent(QFocusEvent*) {
    if (focus_frame_) update();
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

}  // namespace pixmold
