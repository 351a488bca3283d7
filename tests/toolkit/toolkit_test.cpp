// The toolkit under the offscreen platform, driven with real Qt events.
#include "toolkit/toolkit.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMimeData>
#include <QMouseEvent>
#include <QUrl>
#include <QWidget>

#include <thread>

#include "toolkit/input_simulation.h"
#include "platform/threads.h"

using namespace pixmold;

namespace {

QWidget* shell_window(const char* title) {
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->windowTitle() == title) return w;
    return nullptr;
}

QWidget* qt_widget(int number) {
    for (QWidget* top : QApplication::topLevelWidgets())
        for (QWidget* w : top->findChildren<QWidget*>())
            if (w->property("pixmold_number").toInt() == number && w->property("pixmold_number").isValid()) return w;
    return nullptr;
}

// Delivers a drag-and-drop of `urls` onto `target` the way Qt does.
void drop_on(QWidget* target, const QList<QUrl>& urls) {
    QMimeData mime;
    mime.setUrls(urls);
    QPoint at(5, 5);
    QDragEnterEvent enter(at, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &enter);
    ASSERT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(at), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &drop);
}

void drain_events() {
    while (wait_event(0) != EventKind::None) {
    }
}

class Toolkit : public ::testing::Test {
protected:
    static void SetUpTestSuite() { ASSERT_TRUE(init_toolkit()); }
    void SetUp() override {
        ASSERT_TRUE(open_window(0, 0, 0, 280, 580, "Test window", WINDOW_SYSTEM_MENU | WINDOW_MINIMIZE_BOX));
        drain_events();
    }
    void TearDown() override {
        close_window(0);
        drain_events();
    }
};

TEST_F(Toolkit, WaitEventTimesOutWithNothingQueued) { EXPECT_EQ(wait_event(20), EventKind::None); }

TEST_F(Toolkit, DropOnWindowJoinsLocalPathsWithLineFeeds) {
    enable_window_drops(0, true);
    drop_on(shell_window("Test window"),
            {QUrl::fromLocalFile("/tmp/a b.jpg"), QUrl("http://example.com/x.png"), QUrl::fromLocalFile("/tmp/c.png")});
    ASSERT_EQ(wait_event(1000), EventKind::DropOnWindow);
    EXPECT_EQ(event_window(), 0);
    EXPECT_EQ(event_dropped_files(), "/tmp/a b.jpg\n/tmp/c.png");
}

TEST_F(Toolkit, DropOnAcceptingWidgetIsAWidgetDrop) {
    enable_window_drops(0, true);
    ASSERT_TRUE(create_canvas(in_window(0), 9, 10, 10, 50, 50));
    enable_widget_drops(9, true);
    drop_on(qt_widget(9), {QUrl::fromLocalFile("/tmp/one.jpg")});
    ASSERT_EQ(wait_event(1000), EventKind::DropOnWidget);
    EXPECT_EQ(event_widget(), 9);
    EXPECT_EQ(event_window(), 0);
    EXPECT_EQ(event_dropped_files(), "/tmp/one.jpg");
}

TEST_F(Toolkit, WidgetDropsComeAndGoWithoutTouchingTheWidgetsOwnParts) {
    ASSERT_TRUE(create_field(in_window(0), 111, 60, 180, 50, 20, "12", FIELD_DIGITS_ONLY));
    enable_widget_drops(111, true);
    enable_widget_drops(111, true);
    enable_widget_drops(111, false);
    ASSERT_TRUE(simulate_typing(111, "34"));
    ASSERT_TRUE(simulate_typing(111, "5x"));
    EXPECT_EQ(get_text(111), "");  // still digits only
}

TEST_F(Toolkit, ClosingTheWindowIsOnlyARequest) {
    shell_window("Test window")->close();
    ASSERT_EQ(wait_event(1000), EventKind::CloseRequest);
    EXPECT_EQ(event_window(), 0);
    EXPECT_TRUE(window_exists(0));
    EXPECT_TRUE(window_visible(0));
}

TEST_F(Toolkit, CloseRequestPostedFromAnotherThread) {
    std::thread([] { post_close_request(0); }).join();
    ASSERT_EQ(wait_event(1000), EventKind::CloseRequest);
    EXPECT_EQ(event_window(), 0);
}

TEST_F(Toolkit, ShortcutArrivesAsMenuCommandBeforeTheFocusedField) {
    ASSERT_TRUE(create_field(in_window(0), 111, 60, 180, 50, 20, "12", FIELD_DIGITS_ONLY));
    add_shortcut(0, 'Q', 132);
    add_shortcut(0, KEY_RETURN, 153);
    QWidget* field = qt_widget(111);
    drain_events();
    QKeyEvent q(QEvent::KeyPress, Qt::Key_Q, Qt::NoModifier, "q");
    QApplication::sendEvent(field, &q);
    ASSERT_EQ(wait_event(500), EventKind::MenuCommand);
    EXPECT_EQ(event_command(), 132);
    QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QApplication::sendEvent(field, &enter);
    ASSERT_EQ(wait_event(500), EventKind::MenuCommand);
    EXPECT_EQ(event_command(), 153);
    // With a modifier it is an ordinary key.
    QKeyEvent ctrl_q(QEvent::KeyPress, Qt::Key_Q, Qt::ControlModifier, "q");
    QApplication::sendEvent(field, &ctrl_q);
    EXPECT_EQ(wait_event(50), EventKind::None);
    EXPECT_EQ(get_text(111), "12");
}

TEST_F(Toolkit, ButtonsFieldsAndListsReportEvents) {
    ASSERT_TRUE(create_button(in_window(0), 84, 1, 80, 100, 34, " Relative"));
    ASSERT_TRUE(create_field(in_window(0), 113, 60, 191, 50, 20, "800", FIELD_DIGITS_ONLY | FIELD_CENTRED));
    ASSERT_TRUE(create_list(in_window(0), 119, 115, 180, 100, 20));
    drain_events();

    QMouseEvent press(QEvent::MouseButtonPress, QPointF(5, 5), QPointF(5, 5), Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QMouseEvent release(QEvent::MouseButtonRelease, QPointF(5, 5), QPointF(5, 5), Qt::LeftButton, Qt::NoButton,
                        Qt::NoModifier);
    QApplication::sendEvent(qt_widget(84), &press);
    QApplication::sendEvent(qt_widget(84), &release);
    ASSERT_EQ(wait_event(500), EventKind::WidgetEvent);
    EXPECT_EQ(event_widget(), 84);
    EXPECT_EQ(event_subkind(), SubKind::Clicked);

    set_text(113, "1920");  // programmatic changes report too
    ASSERT_EQ(wait_event(500), EventKind::WidgetEvent);
    EXPECT_EQ(event_widget(), 113);
    EXPECT_EQ(event_subkind(), SubKind::TextChanged);
    EXPECT_EQ(get_text(113), "1920");

    auto* field = static_cast<QLineEdit*>(qt_widget(113));
    field->clear();
    drain_events();
    QKeyEvent letter(QEvent::KeyPress, Qt::Key_X, Qt::NoModifier, "x");
    QApplication::sendEvent(field, &letter);
    QKeyEvent digit(QEvent::KeyPress, Qt::Key_7, Qt::NoModifier, "7");
    QApplication::sendEvent(field, &digit);
    EXPECT_EQ(get_text(113), "7");  // digits only
    drain_events();

    for (const char* row : {" > Resolutions", "---- 16:10 ----", " 2560 x 1600"}) list_add_item(119, row);
    EXPECT_EQ(list_count(119), 3);
    list_set_selected(119, 2);
    EXPECT_EQ(list_get_selected(119), 2);
    EXPECT_EQ(get_text(119), " 2560 x 1600");
    EXPECT_EQ(wait_event(20), EventKind::None);  // only the user's choice reports
}

TEST_F(Toolkit, CanvasReportsPointerEventsWithPosition) {
    ASSERT_TRUE(create_canvas(in_window(0), 116, 5, 324, 270, 29));
    drain_events();
    QWidget* canvas = qt_widget(116);
    QMouseEvent move(QEvent::MouseMove, QPointF(269, 3), QPointF(269, 3), Qt::NoButton, Qt::NoButton,
                     Qt::NoModifier);
    QApplication::sendEvent(canvas, &move);
    ASSERT_EQ(wait_event(500), EventKind::WidgetEvent);
    EXPECT_EQ(event_widget(), 116);
    EXPECT_EQ(event_subkind(), SubKind::PointerMove);
    EXPECT_EQ(event_x(), 269);
    EXPECT_EQ(event_y(), 3);

    QMouseEvent right(QEvent::MouseButtonPress, QPointF(10, 4), QPointF(10, 4), Qt::RightButton, Qt::RightButton,
                      Qt::NoModifier);
    QApplication::sendEvent(canvas, &right);
    ASSERT_EQ(wait_event(500), EventKind::WidgetEvent);
    EXPECT_EQ(event_subkind(), SubKind::RightButtonDown);
    EXPECT_EQ(event_x(), 10);

    QMouseEvent up(QEvent::MouseButtonRelease, QPointF(11, 5), QPointF(11, 5), Qt::LeftButton, Qt::NoButton,
                   Qt::NoModifier);
    QApplication::sendEvent(canvas, &up);
    ASSERT_EQ(wait_event(500), EventKind::WidgetEvent);
    EXPECT_EQ(event_subkind(), SubKind::LeftButtonUp);

    set_pointer_shape(116, PointerShape::Hand);
    EXPECT_EQ(canvas->cursor().shape(), Qt::PointingHandCursor);
    set_widget_data(116, 42);
    EXPECT_EQ(widget_data(116), 42);
}

TEST_F(Toolkit, CanvasPixelsAreBottomUpBgr) {
    ASSERT_TRUE(create_canvas(in_window(0), 121, 0, 0, 5, 3));
    PixelView view = canvas_pixels(121);
    ASSERT_TRUE(view);
    EXPECT_EQ(view.stride, 16);  // 5 * 3 bytes padded to 4
    EXPECT_EQ(view.depth, 24);
    std::uint8_t* top = view.row_from_top(0);
    top[0] = 0;  // blue
    top[1] = 0;  // green
    top[2] = 255;  // red
    canvas_changed(121);
    QImage shown = qt_widget(121)->grab().toImage();
    EXPECT_EQ(QColor(shown.pixel(0, 0)), QColor(255, 0, 0));
    EXPECT_EQ(QColor(shown.pixel(0, 2)), QColor(255, 255, 255));
}

// A worker's update still on its way must not undo what the user-interface
// thread set after it (a progress text arriving after the stop text).
TEST_F(Toolkit, ALaterChangeWinsOverAnEarlierOneFromAnotherThread) {
    ASSERT_TRUE(create_field(in_window(0), 117, 0, 560, 280, 20, "", FIELD_READ_ONLY));
    ASSERT_TRUE(create_button(in_window(0), 86, 0, 0, 100, 65, "Stop"));
    ASSERT_TRUE(create_button(in_window(0), 85, 0, 70, 100, 20, "Free"));
    drain_events();
    std::thread([] {
        set_text(117, "4/4 - picture.jpg");
        show_widget(86, true);
        enable_widget(85, false);
    }).join();
    set_text(117, "Stop : 0/4");
    show_widget(86, false);
    enable_widget(85, true);
    wait_event(100);  // runs the handed-over work
    drain_events();
    EXPECT_EQ(get_text(117), "Stop : 0/4");
    EXPECT_FALSE(widget_visible(86));
    EXPECT_TRUE(qt_widget(85)->isEnabled());
}

TEST_F(Toolkit, TextFromAnotherThreadReachesTheWidget) {
    ASSERT_TRUE(create_field(in_window(0), 117, 0, 560, 280, 20, "", FIELD_READ_ONLY));
    ASSERT_TRUE(create_button(in_window(0), 86, 0, 0, 100, 65, "Stop"));
    drain_events();
    std::thread worker([] {
        for (int i = 0; i <= 50; ++i) set_text(117, "3/10 - picture" + std::to_string(i) + ".jpg");
        show_widget(86, false);
    });
    worker.join();
    wait_event(100);  // runs the handed-over work
    drain_events();
    EXPECT_EQ(get_text(117), "3/10 - picture50.jpg");
    EXPECT_FALSE(widget_visible(86));
    std::string off_thread = "unchanged";
    std::thread([&] { off_thread = get_text(117); }).join();
    EXPECT_EQ(off_thread, "");  // reading is for the user-interface thread only
}

TEST_F(Toolkit, RichTextBreaksLinesOfEveryKind) {
    ASSERT_TRUE(create_rich_text(in_window(0), 80, 0, 384, 280, 175));
    set_text(80, "one\r\ntwo\rthree\nfour");
    EXPECT_EQ(get_text(80), "one\ntwo\nthree\nfour");
}

TEST_F(Toolkit, ResizeKeepsWhatIsMarkedKeep) {
    ASSERT_TRUE(create_button(in_window(0), 85, 100, 93, 80, 20, " Free"));
    resize_widget(85, KEEP, 80, KEEP, 34);
    EXPECT_EQ(widget_x(85), 100);
    EXPECT_EQ(widget_y(85), 80);
    EXPECT_EQ(widget_width(85), 80);
    EXPECT_EQ(widget_height(85), 34);
    move_resize_window(0, KEEP, KEEP, 750, KEEP);
    EXPECT_EQ(window_width(0), 750);
    EXPECT_EQ(window_height(0), 580);
}

TEST_F(Toolkit, MenuBarSitsAboveTheInnerArea) {
    ASSERT_TRUE(create_menu_bar(0));
    add_menu_title(" Project");
    add_menu_item(143, "Adjust resolution to desktop size");
    add_menu_separator();
    add_menu_item(132, "&Exit\tQ");
    EXPECT_GT(menu_bar_height(0), 0);
    EXPECT_EQ(window_height(0), 580);
    EXPECT_EQ(shell_window("Test window")->height(), 580 + menu_bar_height(0));
    set_menu_item_text(0, 143, "Adjusted");
    EXPECT_EQ(menu_item_text(0, 143), "Adjusted");
    trigger_menu_item(0, 132);
    ASSERT_EQ(wait_event(500), EventKind::MenuCommand);
    EXPECT_EQ(event_command(), 132);
    EXPECT_EQ(event_window(), 0);
}

TEST_F(Toolkit, TooltipHasBoldTitleAndStaysNarrow) {
    ASSERT_TRUE(create_button(in_window(0), 84, 1, 80, 100, 34, " Relative"));
    set_tooltip(84, "Help", " Relative\r(pour photo)");
    std::string tip = tooltip_text(84);
    EXPECT_NE(tip.find("<b>Help</b>"), std::string::npos);
    EXPECT_NE(tip.find("<img src=\"data:image/png;base64,"), std::string::npos);  // information sign
    EXPECT_NE(tip.find(" Relative<br>(pour photo)"), std::string::npos);
    set_tooltip(84, "Title", std::string(400, 'w'));
    tip = tooltip_text(84);
    EXPECT_NE(tip.find("width=\"180\""), std::string::npos);
}

TEST_F(Toolkit, FontSizesFollowPointsAndDpi) {
    ASSERT_TRUE(load_font(4, "Microsoft Sans Serif", 9.0 * 96 / screen_dpi_x(), FONT_HIGH_QUALITY));
    EXPECT_EQ(font_pixel_size(4), 12);  // 9 pt at 96 dpi
    ASSERT_TRUE(load_font(6, "Microsoft Sans Serif", 12.0 * 96 / screen_dpi_x(), FONT_ITALIC));
    EXPECT_EQ(font_pixel_size(6), 16);
    EXPECT_GT(text_width(6, "JPG"), 0);
    EXPECT_FALSE(load_font(7, "x", 0, 0));
    set_font(DEFAULT_FONT, 4);
    ASSERT_TRUE(create_label(in_window(0), 124, 0, 116, 50, 20, " Prefix : "));
    EXPECT_EQ(QFontInfo(qt_widget(124)->font()).pixelSize(), 12);
    set_font(DEFAULT_FONT, DEFAULT_FONT);
}

TEST_F(Toolkit, WidgetsInAContainerGoWithIt) {
    ASSERT_TRUE(create_container(in_window(0), 87, 280, 0, 470, 580));
    ASSERT_TRUE(create_button(in_container(87), 200, 0, 0, 50, 20, "Apply"));
    EXPECT_FALSE(create_button(in_container(200), 201, 0, 0, 5, 5, "not a container"));
    EXPECT_TRUE(widget_exists(200));
    free_widget(87);
    EXPECT_FALSE(widget_exists(200));
}

TEST_F(Toolkit, ShownPictureComesFromTheEngine) {
    init_image_engine();
    ASSERT_NE(create_image(900, 4, 2, 24, 0x0000FF), 0u);  // red
    image_pixels(900).row_from_top(0)[0] = 255;            // top-left becomes magenta
    ASSERT_TRUE(create_picture(in_window(0), 2, 1, 2, 4, 2, image_handle(900)));
    QImage shown = qt_widget(2)->grab().toImage();
    EXPECT_EQ(QColor(shown.pixel(0, 0)), QColor(255, 0, 255));
    EXPECT_EQ(QColor(shown.pixel(0, 1)), QColor(255, 0, 0));
    free_image(900);
}

TEST_F(Toolkit, DesktopOfTheOffscreenScreen) {
    EXPECT_GT(desktop_width(), 0);
    EXPECT_GT(desktop_height(), 0);
    EXPECT_LE(desktop_available_height(), desktop_height());
    EXPECT_EQ(os_version(), 110);
}

}  // namespace
