// The loop in-process: which close requests end it, and what they save.
#include <gtest/gtest.h>

#include "app/event_loop.h"
#include "app/shell_state.h"
#include "app/window_settings.h"
#include "toolkit/toolkit.h"
#include "temp_dir.h"

using namespace pixmold;

namespace {

TEST(EventLoop, OnlyTheMainWindowsCloseRequestSavesAndEnds) {
    ASSERT_TRUE(init_toolkit());
    test::TempDir dir;
    const std::string path = dir.file("pref.vrn");
    load_window_settings(path, 800, 600);
    settings.quality = 4;
    ASSERT_TRUE(open_window(MAIN_WINDOW, 0, 0, COLUMN_WIDTH, WINDOW_HEIGHT, "main", WINDOW_SYSTEM_MENU));
    ASSERT_TRUE(open_window(5, 0, 0, 100, 100, "other", WINDOW_SYSTEM_MENU));
    shell.quit_requested = 0;

    post_close_request(5);  // ignored by the loop
    post_close_request(MAIN_WINDOW);
    post_close_request(MAIN_WINDOW);  // after the end: left in the queue
    run_event_loop();

    EXPECT_EQ(shell.quit_requested, 1);
    EXPECT_NE(test::read_bytes(path).find("[USER]\r\nMODE = REL\r\nTYPE = JPG\r\nQUALITE = 4\r\n"), std::string::npos);
    EXPECT_EQ(wait_event(500), EventKind::CloseRequest);  // the loop stopped after the first one
    EXPECT_EQ(wait_event(0), EventKind::None);
    close_window(5);
    close_window(MAIN_WINDOW);
    shell.quit_requested = 0;
}

}  // namespace
