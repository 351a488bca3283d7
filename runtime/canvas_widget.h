// A widget showing a 24-bit picture in the engine layout that the program
// draws into, and reporting pointer and focus events.
#pragma once

#include <QWidget>

#include <cstdint>
#include <vector>

#include "runtime/toolkit.h"

namespace pixmold::detail {

class CanvasWidget : public QWidget {
public:
    explicit CanvasWidget(QWidget* parent);
    void set_number(int number) { number_ = number; }
    void resize_picture(int width, int height);
    PixelView pixels();
    void set_shape(PointerShape shape);
    PointerShape shape() const { return shape_; }
    void set_focus_frame(bool on);

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    void report(SubKind subkind, QPoint position);
    int number_ = -1;
    int picture_width_ = 0;
    int picture_height_ = 0;
    int stride_ = 0;
    std::vector<std::uint8_t> memory_;
    PointerShape shape_ = PointerShape::Arrow;
    bool focus_frame_ = false;
};

}  // namespace pixmold::detail
