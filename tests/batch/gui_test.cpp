// The batch through the real main window, headless: files are dropped with a
// Qt drop event, travel the toolkit's queue to the window's handler, and end
// up resized on disk while the StatusLine, InfoPanel and StopButton follow.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDropEvent>
#include <QMimeData>
#include <QUrl>
#include <QWindow>
#include <QWidget>

#include <chrono>
#include <regex>

#include "app/artwork.h"
#include "app/batch_start.h"
#include "app/main_window.h"
#include "app/shell_state.h"
#include "app/startup.h"
#include "app/window_layout.h"
#include "app/window_settings.h"
#include "core/texts.h"
#include "job_fixture.h"
#include "runtime/dialogs.h"
#include "runtime/input_simulation.h"
#include "qt_widgets.h"

namespace pixmold {
namespace {

using namespace pixmold::test;

QWidget* main_window_widget() {
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->isVisible() && w->windowTitle().startsWith(QString::fromStdString(shell.product_name))) return w;
    return nullptr;
}

// The Qt widget of the program's widget `number` in the main window.
QWidget* qt_widget(int number) {
    QWidget* top = main_window_widget();
    if (!top) return nullptr;
    for (QWidget* w : top->findChildren<QWidget*>())
        if (w->property("pixmold_number").isValid() && w->property("pixmold_number").toInt() == number) return w;
    return nullptr;
}

// A drag-and-drop of local files onto the main window, as Qt delivers it.
void drop_files(const std::vector<std::string>& paths) { test::drop_paths(main_window_widget(), paths); }

// A file manager's drag of local files (URLs and their paths as text),
// handed to the window system's window at `at` in window coordinates: Qt
// itself picks the widget under that point as the drop target.
void drop_files_at(QWidget* top, QPoint at, const std::vector<std::string>& paths) {
    ASSERT_NE(top->windowHandle(), nullptr);
    QList<QUrl> urls;
    QString text;
    for (const std::string& p : paths) {
        urls.push_back(QUrl::fromLocalFile(QString::fromStdString(p)));
        text += QString::fromStdString(p) + "\n";
    }
    QMimeData mime;
    mime.setUrls(urls);
    mime.setText(text);
    QDragEnterEvent enter(at, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(top->windowHandle(), &enter);
    QDragMoveEvent move(at, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(top->windowHandle(), &move);
    QDropEvent drop(QPointF(at), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(top->windowHandle(), &drop);
}

class BatchWindow : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        ASSERT_TRUE(init_toolkit());
        start_engine();
        create_interface_fonts(96);
        shell.dpi = 96;
        decode_embedded_pictures();
    }

    void start(const std::string& lng, const std::string& prefix = "small_") {
        shell.quit_requested = 0;
        shell.screen_width = 1920;
        shell.screen_height = 1080;
        load_window_settings((dir.folder() / "pref.vrn").string(), 1920, 1080);
        settings.language = language_from_word(lng);
        settings.mode = Mode::Relative;
        settings.format = OutputFormat::Jpeg;
        settings.prefix = prefix;
        settings.landscape_width = 16;
        settings.portrait_height = 16;
        load_interface_texts(settings.language, {1920, 1080, 1920}, shell.product_name, shell.version);
        build_main_window();
        pump();
    }

    void TearDown() override {
        batch_stop();
        pump();
        close_window(MAIN_WINDOW);
    }

    // Dispatches queued events as the event loop does.
    void pump(int quiet_ms = 30) {
        for (;;) {
            switch (wait_event(quiet_ms)) {
            case EventKind::None: return;
            case EventKind::DropOnWindow:
                if (event_window() == MAIN_WINDOW) handle_drop_on_window(event_dropped_files());
                break;
            case EventKind::WidgetEvent:
                handle_widget_event(event_widget(), event_subkind(), event_x(), event_y());
                break;
            case EventKind::MenuCommand: handle_menu_command(event_command()); break;
            default: break;
            }
        }
    }

    // Dispatches events up to and including the drop, so that a batch it
    // starts is still running however fast this machine is.
    void pump_the_drop() {
        const auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (std::chrono::steady_clock::now() < give_up) {
            const EventKind kind = wait_event(20);
            if (kind == EventKind::DropOnWindow && event_window() == MAIN_WINDOW) {
                handle_drop_on_window(event_dropped_files());
                return;
            }
        }
    }

    void pump_until_idle() {
        const auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        while (batch_running() && std::chrono::steady_clock::now() < give_up) pump(20);
        batch_wait();
        pump();
    }

    TempDir dir;
};

TEST_F(BatchWindow, DroppedFilesAreResizedAndTheEndIsShown) {
    start("UK");
    const std::string a = copy_in(dir, "base.jpg", "a.jpg");
    const std::string b = copy_in(dir, "orient6_mm.jpg", "b.jpg");
    const std::string summary = get_text(W_INFO_PANEL);
    drop_files({a, (dir.folder() / "notes.txt").string(), b});
    pump();
    pump_until_idle();
    EXPECT_EQ(Decoded((dir.folder() / "small_a.jpg").string()).width(), 16);
    EXPECT_EQ(Decoded((dir.folder() / "small_b.jpg").string()).height(), 16);
    EXPECT_EQ(get_text(W_STATUS_LINE), "Finish ! 2 pictures were processed.. (1 left aside)");
    EXPECT_FALSE(widget_visible(W_STOP));
    EXPECT_TRUE(widget_visible(W_INFO_PANEL));
    EXPECT_EQ(get_text(W_INFO_PANEL), summary);
}

TEST_F(BatchWindow, DroppedFolderWithAFailureListsItsName) {
    start("FR");
    std::filesystem::create_directories(dir.folder() / "photos");
    copy_in(dir, "base.jpg", "photos/good.jpg");
    copy_in(dir, "corrupt.jpg", "photos/broken.png");
    drop_files({(dir.folder() / "photos").string()});
    pump();
    pump_until_idle();
    EXPECT_EQ(get_text(W_STATUS_LINE), "Terminé ! 1 image(s) traitée(s). (1 échec(s))");
    EXPECT_EQ(get_text(W_INFO_PANEL), "Images non traitées :\nbroken.png (illisible : pas une image, ou endommagée)");
    EXPECT_TRUE(std::filesystem::exists(dir.folder() / "photos/small_good.jpg"));
    EXPECT_FALSE(std::filesystem::exists(dir.folder() / "photos/small_broken.jpg"));
}

TEST_F(BatchWindow, AnEscapingSavedPrefixIsReplacedBeforeAnyDrop) {
    start("UK", "../escape_");
    std::filesystem::create_directories(dir.folder() / "sub");
    const std::string a = copy_in(dir, "base.jpg", "sub/a.jpg");
    drop_files({a});
    pump();
    pump_until_idle();
    EXPECT_EQ(folder_names(dir.folder() / "sub"), (std::vector<std::string>{"a.jpg", "prefix_a.jpg"}));
    EXPECT_EQ(folder_names(dir.folder()), (std::vector<std::string>{"pref.vrn", "sub"}));
}

TEST_F(BatchWindow, SettingsChangedWhileABatchRunsApplyToTheNextOne) {
    start("UK");
    // small_x.jpg is the output the slow x.png writes before it, so it starts
    // only once x.png is done: long after the settings below have changed.
    create_image(966, 2400, 1800, 24);
    const PixelView v = image_pixels(966);
    for (int y = 0; y < 1800; ++y)
        for (int x = 0; x < 7200; ++x) v.row_from_top(y)[x] = std::uint8_t(x * 31 + y * 17 + (x ^ y));
    ASSERT_TRUE(save_image(966, (dir.folder() / "x.png").string(), TAG_PNG));
    free_image(966);
    create_image(966, 32, 16, 24, 0xFF0000);
    ASSERT_TRUE(save_image(966, (dir.folder() / "x.bmp").string(), TAG_BMP));
    ASSERT_TRUE(save_image(966, (dir.folder() / "small_x.jpg").string(), TAG_JPEG));
    free_image(966);

    drop_files({(dir.folder() / "x.png").string(), (dir.folder() / "small_x.jpg").string()});
    pump_the_drop();
    ASSERT_TRUE(batch_running());
    settings.prefix = "late_";
    settings.format = OutputFormat::Png;
    settings.landscape_width = 8;
    pump_until_idle();
    EXPECT_EQ(get_text(W_STATUS_LINE), "Finish ! 2 pictures were processed..");
    EXPECT_EQ(folder_names(dir.folder()),
              (std::vector<std::string>{"pref.vrn", "small_small_x.jpg", "small_x.jpg", "x.bmp", "x.png"}));
    const Decoded out((dir.folder() / "small_small_x.jpg").string());
    EXPECT_EQ(out.width(), 16);
    EXPECT_EQ(out.height(), 12);  // x.png's output, read once it was written (the 32 x 16 before it gives 8)

    drop_files({(dir.folder() / "x.bmp").string()});
    pump();
    pump_until_idle();
    EXPECT_EQ(Decoded((dir.folder() / "late_x.png").string()).width(), 8);
}

TEST_F(BatchWindow, StopButtonEndsTheBatchAndADropMeanwhileIsRefused) {
    start("UK");
    settings.landscape_width = 3900;
    settings.portrait_height = 3900;
    settings.prefix = "0";
    create_image(963, 4000, 3000, 24, 0x123456);
    const PixelView v = image_pixels(963);
    for (int y = 0; y < 3000; ++y)
        for (int x = 0; x < 12000; ++x) v.row_from_top(y)[x] = std::uint8_t(x * 31 + y * 17 + (x ^ y));
    std::vector<std::string> files;
    for (int i = 0; i < 4; ++i) {
        files.push_back((dir.folder() / ("big" + std::to_string(i) + ".jpg")).string());
        ASSERT_TRUE(save_image(963, files.back(), TAG_JPEG, 9));
    }
    free_image(963);
    const auto size_before = std::filesystem::file_size(files[3]);

    drop_files(files);
    pump();
    ASSERT_TRUE(batch_running());
    EXPECT_TRUE(widget_visible(W_STOP));
    EXPECT_FALSE(widget_visible(W_INFO_PANEL));
    drop_files({copy_in(dir, "base.jpg", "late.jpg")});
    // Read before the next progress text replaces it, as it soon does.
    ASSERT_EQ(wait_event(1000), EventKind::DropOnWindow);
    handle_drop_on_window(event_dropped_files());
    EXPECT_EQ(get_text(W_STATUS_LINE), "A batch is already running");
    ASSERT_TRUE(simulate_click(W_STOP));
    pump();
    EXPECT_FALSE(batch_running());
    EXPECT_TRUE(std::regex_match(get_text(W_STATUS_LINE), std::regex(R"(^Stop : [0-3]/4 images traitées !$)")))
        << get_text(W_STATUS_LINE);
    EXPECT_FALSE(widget_visible(W_STOP));
    EXPECT_TRUE(widget_visible(W_INFO_PANEL));
    // Nothing half-written, no temporary file, the late drop not processed.
    EXPECT_EQ(folder_names(dir.folder()), (std::vector<std::string>{"big0.jpg", "big1.jpg", "big2.jpg", "big3.jpg",
                                                                "late.jpg", "pref.vrn"}));
    EXPECT_EQ(std::filesystem::file_size(files[3]), size_before);
    for (const std::string& f : files) EXPECT_TRUE(Decoded(f)) << f;
}

// Every visible widget of the window passes a drop of files on to the batch,
// the size fields of both modes included: they must not take it as text.
TEST_F(BatchWindow, FilesDroppedOnAnyWidgetStartTheBatch) {
    start("UK");
    QWidget* top = main_window_widget();
    ASSERT_NE(top, nullptr);
    const int column[] = {W_BANNER, W_ALWAYS_ON_TOP, W_FX_BUTTON, W_RELATIVE_MODE, W_FREE_MODE, W_PREFIX_LABEL,
                          W_PREFIX_FIELD, W_PREFIX_BUTTON, W_SIZE_TITLE, W_LANDSCAPE_HINT, W_LANDSCAPE_LABEL,
                          W_LANDSCAPE_WIDTH, W_PORTRAIT_HINT, W_PORTRAIT_LABEL, W_PORTRAIT_HEIGHT,
                          W_FREE_WIDTH_LABEL, W_FREE_HEIGHT_LABEL, W_FREE_WIDTH, W_FREE_HEIGHT, W_PRESET_LIST,
                          W_FORMAT_TITLE, W_QUALITY_SLIDER, W_QUALITY_LABEL, W_FORMAT_SELECTOR, W_INFO_PANEL,
                          W_STATUS_LINE};
    int dropped = 0;
    for (const char* mode : {"REL", "LIB"}) {
        ASSERT_TRUE(simulate_click(std::string(mode) == "REL" ? W_RELATIVE_MODE : W_FREE_MODE));
        pump();
        for (int widget : column) {
            if (!widget_visible(widget)) continue;
            const std::string name = std::string(mode) + "_" + std::to_string(widget);
            const std::string picture = copy_in(dir, "base.jpg", name + ".jpg");
            const std::string text_before = get_text(widget);
            QWidget* w = qt_widget(widget);
            ASSERT_NE(w, nullptr) << widget;
            const QPoint at = w->mapTo(top, w->rect().center());
            QWidget* under = top->childAt(at);
            ASSERT_TRUE(under == w || w->isAncestorOf(under)) << widget << " is covered";
            drop_files_at(top, at, {picture, (dir.folder() / "notes.txt").string()});
            pump();
            pump_until_idle();
            EXPECT_TRUE(std::filesystem::exists(dir.folder() / ("small_" + name + ".jpg")))
                << "a drop on widget " << widget << " in mode " << mode << " started nothing";
            EXPECT_EQ(get_text(W_STATUS_LINE), "Finish ! 1 pictures were processed.. (1 left aside)") << widget << " " << mode;
            if (widget != W_STATUS_LINE) {
                EXPECT_EQ(get_text(widget), text_before) << widget << " " << mode;
            }
            ++dropped;
        }
    }
    EXPECT_GE(dropped, 40);
}

// The output folder item is saved at once and a dropped tree follows it.
// Prefix 0 then replaces nothing, so it asks nothing; going back beside the
// sources would replace: asked, and No keeps the folder.
TEST_F(BatchWindow, OutputFolderItemIsSavedAtOnceAndDropsFollowIt) {
    start("UK");
    std::filesystem::create_directories(dir.folder() / "Photos/sub");
    copy_in(dir, "base.jpg", "Photos/sub/b.jpg");
    const std::string out = (dir.folder() / "out").string();
    const auto stored_folder = [&] {
        return read_settings((dir.folder() / "pref.vrn").string(), 1920, 1080)->output_folder;
    };
    ScriptedDialogs dialogs;
    dialogs.answer_file(out);
    for (int item : {CMD_SUBFOLDERS, CMD_OUTPUT_FOLDER}) trigger_menu_item(MAIN_WINDOW, item);
    pump();
    EXPECT_EQ(stored_folder(), out);
    EXPECT_NE(menu_item_text(MAIN_WINDOW, CMD_OUTPUT_FOLDER).find(out), std::string::npos);
    drop_files({(dir.folder() / "Photos").string()});
    pump();
    pump_until_idle();
    EXPECT_EQ(Decoded(out + "/sub/small_b.jpg").width(), 16);

    dialogs.answer_text("0");
    ASSERT_TRUE(simulate_click(W_PREFIX_BUTTON));
    pump();
    EXPECT_EQ(get_text(W_PREFIX_FIELD), "0");
    trigger_menu_item(MAIN_WINDOW, CMD_BESIDE_SOURCES);
    pump();
    ASSERT_EQ(dialogs.requests().size(), 3u);
    EXPECT_EQ(dialogs.requests().back().kind, DialogKind::MessageBox);
    EXPECT_EQ(stored_folder(), out);
    EXPECT_TRUE(menu_item_checked(MAIN_WINDOW, CMD_OUTPUT_FOLDER));
    EXPECT_FALSE(menu_item_checked(MAIN_WINDOW, CMD_BESIDE_SOURCES));
}

// A folder of the pictures phones and browsers give, each stored turned in
// its own way: every output comes out upright, none turned twice.
TEST_F(BatchWindow, DroppedFolderOfPhoneAndWebPicturesComesOutUpright) {
    start("UK");
    settings.landscape_width = 40;
    settings.portrait_height = 40;
    const std::string images = std::string(PIXMOLD_TEST_DATA) + "/image/";
    std::filesystem::create_directories(dir.folder() / "phone");
    struct Case {
        const char* source;
        const char* as;
        bool portrait;  // shown turned from the 40 x 24 photo (EXIF orientation 6)
    };
    // The HEIC and AVIF store the photo turned with an irot that turns it back
    // (and an EXIF orientation 6 that must be left alone); the WebP and the
    // JPEG store it as it is, with an EXIF orientation 6 that must be obeyed.
    const Case cases[] = {{"heic-irot-exif.heic", "IMG_0001.HEIC", false},
                          {"avif-irot-exif.avif", "web.avif", false},
                          {"webp-metadata.webp", "shared.webp", true},
                          {"jp2-lossy.jp2", "scan.jp2", false},
                          {"jpeg-exif.jpg", "camera.jpg", true}};
    for (const Case& c : cases) std::filesystem::copy_file(images + c.source, dir.folder() / "phone" / c.as);
    drop_files({(dir.folder() / "phone").string()});
    pump();
    pump_until_idle();
    EXPECT_EQ(get_text(W_STATUS_LINE), "Finish ! 5 pictures were processed..");
    std::ifstream in(images + "src-photo.ppm", std::ios::binary);
    const std::string photo{std::istreambuf_iterator<char>(in), {}};
    const auto photo_rgb = [&](int x, int y) {
        const std::size_t at = photo.size() - std::size_t(40 * 24 * 3) + std::size_t(y * 40 + x) * 3;
        return std::array<int, 3>{std::uint8_t(photo[at]), std::uint8_t(photo[at + 1]), std::uint8_t(photo[at + 2])};
    };
    for (const Case& c : cases) {
        const std::string stem = std::filesystem::path(c.as).stem().string();
        const Decoded out((dir.folder() / "phone" / ("small_" + stem + ".jpg")).string());
        ASSERT_TRUE(out) << c.as;
        ASSERT_EQ(out.width(), c.portrait ? 24 : 40) << c.as;
        ASSERT_EQ(out.height(), c.portrait ? 40 : 24) << c.as;
        // Shown (x, y) of a picture turned clockwise is stored (y, 23 - x).
        int worst = 0;
        for (int y = 0; y < out.height(); ++y)
            for (int x = 0; x < out.width(); ++x) {
                const auto want = c.portrait ? photo_rgb(y, 23 - x) : photo_rgb(x, y);
                const auto bgr = out.bgr(x, y);
                for (int k = 0; k < 3; ++k) worst = std::max(worst, std::abs(bgr[std::size_t(2 - k)] - want[std::size_t(k)]));
            }
        EXPECT_LE(worst, 40) << c.as;
    }
}

}  // namespace
}  // namespace pixmold
