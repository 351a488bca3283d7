// A widget showing a 24-bit picture in the engine layout that the program
// draws into, and reporting pointer and focus events. Made a control
// (toolkit.h: set_canvas_control), it also takes the keyboard focus, shows
// a focus mark and turns keys into the clicks they stand for.
#pragma once

#include <QString>
#include <QWidget>

#include <cstdint>
#include <optional>
#include <vector>

#include "toolkit/toolkit.h"

namespace pixmold::detail {

struct CanvasControl {
    ControlKind kind = ControlKind::Button;
    QString name;
    QString description;
    std::vector<ControlPart> parts;
    std::vector<bool> enabled;  // one per part
    int value = 0;
};

class CanvasWidget : public QWidget {
public:
    explicit CanvasWidget(QWidget* parent);
    void set_number(int number) { number_ = number; }
    void resize_picture(int width, int height);
    PixelView pixels();
    void set_shape(PointerShape shape);
    PointerShape shape() const { return shape_; }
    void set_focus_frame(bool on);

    void set_control(CanvasControl control);
    const std::optional<CanvasControl>& control() const { return control_; }
    void set_value(int value);
    void set_part_enabled(int part, bool enabled);
    // The part the focus mark frames and Space presses.
    int focused_part() const;
    // Moves the focus to a part of a Button (and gives the canvas the focus).
    void focus_part(int part);
    // Sends the events a left click at the part's press point sends.
    void press(int part);
    // The part's rectangle on the canvas (empty when there is none).
    QRect part_rect(int part) const;
    // True when the focused canvas acts on this key itself, so that window
    // shortcuts must leave it alone.
    bool acts_on_key(int qt_key) const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool focusNextPrevChild(bool next) override;

private:
    void report(SubKind subkind, QPoint position);
    int part_count() const { return control_ ? int(control_->parts.size()) : 0; }
    bool parts_are_stops() const;  // a Button of several parts: each part a Tab stop
    void move_part_focus(int part);
    void tell_part_focus();
    int number_ = -1;
    int picture_width_ = 0;
    int picture_height_ = 0;
    int stride_ = 0;
    std::vector<std::uint8_t> memory_;
    PointerShape shape_ = PointerShape::Arrow;
    bool focus_frame_ = false;
    std::optional<CanvasControl> control_;
    int focused_button_ = 0;  // of a Button of several parts
};

// Frames `area` with the focus mark: dotted black over white, two pixels
// thick, so that it shows on light and dark pictures alike.
void draw_focus_mark(class QPainter& painter, QRect area);

}  // namespace pixmold::detail
