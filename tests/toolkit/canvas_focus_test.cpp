// Canvases that take the keyboard focus show it with a dotted frame drawn
// on the screen only, and every canvas keeps the pointer while a button is
// held. Canvases made controls answer the keyboard with the clicks its keys
// stand for.
#include <gtest/gtest.h>

#include <QApplication>
#include <QTest>
#include <QWidget>
#include <QWindow>

#include "qt_widgets.h"
#include "toolkit/input_simulation.h"
#include "toolkit/toolkit.h"

using namespace pixmold;
using pixmold::test::qt_widget;

namespace {

class CanvasInput : public ::testing::Test {
protected:
    static void SetUpTestSuite() { ASSERT_TRUE(init_toolkit()); }
    void SetUp() override {
        ASSERT_TRUE(open_window(0, 0, 0, 300, 200, "Canvas window", WINDOW_SYSTEM_MENU));
        ASSERT_TRUE(create_canvas(in_window(0), 10, 20, 20, 100, 80));
        ASSERT_TRUE(create_canvas(in_window(0), 11, 150, 20, 100, 80));
        set_canvas_focus_frame(10, true);
        for (int canvas : {10, 11}) {
            const PixelView v = canvas_pixels(canvas);
            for (int y = 0; y < v.height; ++y) std::fill(v.row_from_top(y), v.row_from_top(y) + v.width * 3, 255);
            canvas_changed(canvas);
        }
        drain();
    }
    void TearDown() override {
        close_window(0);
        drain();
    }
    void drain() {
        while (wait_event(0) != EventKind::None) events.push_back({event_widget(), event_subkind(), event_x(), event_y()});
    }
    struct Seen {
        int widget;
        SubKind sub;
        int x, y;
    };
    std::vector<Seen> events;
};

TEST_F(CanvasInput, FocusFrameShowsOnTheScreenNotInThePicture) {
    QWidget* framed = qt_widget(10);
    QWidget* plain = qt_widget(11);
    EXPECT_EQ(framed->focusPolicy(), Qt::StrongFocus);
    EXPECT_EQ(plain->focusPolicy(), Qt::ClickFocus);
    set_focus(10);
    drain();
    ASSERT_TRUE(framed->hasFocus());
    const QImage shown = framed->grab().toImage();
    bool dark_on_edge = false;
    for (int x = 1; x < 99; ++x) dark_on_edge |= qGray(shown.pixel(x, 1)) < 128;
    EXPECT_TRUE(dark_on_edge);
    EXPECT_EQ(qGray(shown.pixel(50, 40)), 255);
    // The program's own picture is untouched.
    EXPECT_EQ(canvas_pixels(10).row_from_top(1)[3], 255);
    set_focus(11);
    drain();
    const QImage unfocused = framed->grab().toImage();
    for (int x = 1; x < 99; ++x) ASSERT_EQ(qGray(unfocused.pixel(x, 1)), 255) << x;
}

TEST_F(CanvasInput, ADragKeepsReportingToItsCanvasOutsideIt) {
    QWidget* canvas = qt_widget(10);
    QWindow* window = canvas->window()->windowHandle();
    ASSERT_NE(window, nullptr);
    auto at = [canvas](int x, int y) { return canvas->mapTo(canvas->window(), QPoint(x, y)); };
    QTest::mouseMove(window, at(50, 40));
    QTest::mousePress(window, Qt::LeftButton, Qt::NoModifier, at(50, 40));
    QTest::mouseMove(window, at(180, 60));  // over the other canvas
    QTest::mouseRelease(window, Qt::LeftButton, Qt::NoModifier, at(180, 60));
    drain();
    bool moved_outside = false, released_outside = false, other_saw_button = false;
    for (const Seen& e : events) {
        if (e.widget == 10 && e.sub == SubKind::PointerMove && e.x == 180) moved_outside = true;
        if (e.widget == 10 && e.sub == SubKind::LeftButtonUp && e.x == 180 && e.y == 60) released_outside = true;
        if (e.widget == 11 && e.sub == SubKind::LeftButtonUp) other_saw_button = true;
    }
    EXPECT_TRUE(moved_outside);
    EXPECT_TRUE(released_outside);
    EXPECT_FALSE(other_saw_button);
}

// Three parts side by side, 30 wide, pressed at their middles (15, 45, 75).
std::vector<ControlPart> parts(int count) {
    std::vector<ControlPart> made;
    for (int i = 0; i < count; ++i) made.push_back({i * 30, 10, 30, 40, i * 30 + 15, 30, "part"});
    return made;
}

TEST_F(CanvasInput, KeysPressThePartAClickWouldPress) {
    struct Case {
        ControlKind kind;
        int value;
        std::vector<int> keys;
        int pressed_x;  // -1: no press at all
    };
    const Case cases[] = {
        {ControlKind::Button, 0, {KEY_SPACE}, 15},
        {ControlKind::Button, 0, {KEY_RIGHT, KEY_RETURN}, 45},  // arrows move along a bar
        {ControlKind::CheckBox, 1, {KEY_RETURN}, 15},
        {ControlKind::Expander, 0, {KEY_SPACE}, 15},
        {ControlKind::Choice, 0, {KEY_SPACE}, 45},  // the next choice
        {ControlKind::Choice, 2, {KEY_SPACE}, 15},  // after the last, the first
        {ControlKind::Choice, 1, {KEY_LEFT}, 15},
        {ControlKind::Choice, 0, {KEY_LEFT}, -1},   // nothing before the first
        {ControlKind::Slider, 1, {KEY_UP}, 75},     // up raises a slider
        {ControlKind::Slider, 1, {KEY_DOWN}, 15},
        {ControlKind::Slider, 1, {KEY_HOME}, 15},
        {ControlKind::Slider, 2, {KEY_RIGHT}, -1},  // nothing after the last
        {ControlKind::Slider, 1, {KEY_SPACE}, -1},
        {ControlKind::Picture, 0, {KEY_SPACE}, -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "kind " << int(c.kind) << ", value " << c.value << ", first key "
                                        << c.keys[0]);
        const bool one_part = c.kind != ControlKind::Button && c.kind != ControlKind::Choice &&
                              c.kind != ControlKind::Slider;
        set_canvas_control(10, c.kind, "control", parts(one_part ? 1 : 3));
        set_control_value(10, c.value);
        set_focus(10);
        drain();
        events.clear();
        for (int key : c.keys) simulate_key(0, key);
        drain();
        std::vector<std::pair<SubKind, int>> seen;
        for (const Seen& e : events)
            if (e.widget == 10 && e.sub != SubKind::FocusGained) seen.push_back({e.sub, e.x});
        if (c.pressed_x < 0) {
            EXPECT_TRUE(seen.empty());
        } else {
            const std::vector<std::pair<SubKind, int>> click = {{SubKind::LeftButtonDown, c.pressed_x},
                                                                {SubKind::LeftButtonUp, c.pressed_x}};
            EXPECT_EQ(seen, click);
        }
    }
}

// Tab stops at each button of a bar in turn before it moves on; the focus
// mark follows, on the screen only, once the keyboard has moved the focus.
TEST_F(CanvasInput, TabVisitsEachButtonOfABarAndTheMarkFollows) {
    set_canvas_focus_frame(10, false);
    set_canvas_control(10, ControlKind::Button, "bar", parts(3));
    set_canvas_control(11, ControlKind::CheckBox, "switch", parts(1));
    set_tab_order({10, 11});
    QWidget* bar = qt_widget(10);
    const QImage plain = bar->grab().toImage();
    // A pointer click gives the focus but shows no mark.
    simulate_pointer(10, SubKind::LeftButtonDown, 45, 30);
    simulate_pointer(10, SubKind::LeftButtonUp, 45, 30);
    drain();
    ASSERT_TRUE(bar->hasFocus());
    EXPECT_EQ(bar->grab().toImage(), plain);

    set_focus(11);
    std::vector<int> pressed;
    for (int stop = 0; stop < 4; ++stop) {
        simulate_key(0, KEY_TAB);
        drain();
        events.clear();
        simulate_key(0, KEY_RETURN);
        drain();
        for (const Seen& e : events)
            if (e.sub == SubKind::LeftButtonDown) pressed.push_back(e.widget * 1000 + e.x);
        if (stop < 3) {
            // The part in focus is framed: dark dots on its edge, none on the others'.
            const QImage shown = bar->grab().toImage();
            for (int part = 0; part < 3; ++part) {
                bool dark = false;
                for (int x = part * 30 + 2; x < part * 30 + 28; ++x) dark |= qGray(shown.pixel(x, 10)) < 128;
                EXPECT_EQ(dark, part == stop) << "stop " << stop << ", part " << part;
            }
        }
    }
    EXPECT_EQ(pressed, (std::vector<int>{10015, 10045, 10075, 11015}));
    EXPECT_EQ(bar->grab().toImage(), plain);  // the focus has left the bar
    EXPECT_EQ(canvas_pixels(10).row_from_top(10)[3 * 15], 255);  // the picture never had a mark
}

}  // namespace
