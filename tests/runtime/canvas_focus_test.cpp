// Canvases that take the keyboard focus show it with a dotted frame drawn
// on the screen only, and every canvas keeps the pointer while a button is
// held.
#include <gtest/gtest.h>

#include <QApplication>
#include <QTest>
#include <QWidget>
#include <QWindow>

#include "qt_widgets.h"
#include "runtime/toolkit.h"

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

}  // namespace
