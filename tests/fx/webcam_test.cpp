// The webcam button through the real panel, with a fake camera: the live
// view, the snapshot as the picture to edit, and what happens when there is
// no camera or no frame.
#include <QCoreApplication>
#include <QDir>
#include <QThread>

#include <filesystem>

#include "editor_snapshot.h"
#include "fake_camera.h"
#include "fx/fx.h"
#include "fx/webcam.h"
#include "panel_fixture.h"
#include "toolkit/camera.h"

namespace pixmold {
namespace {

using namespace test;

constexpr Rgb BACKGROUND{214, 223, 254};
constexpr Rgb GREEN{0, 255, 0}, WHITE{255, 255, 255};

CameraFrame frame_of(int width, int height, const std::function<Rgb(int, int)>& colour) {
    CameraFrame f{width, height, {}};
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const Rgb c = colour(x, y);
            f.rgb.insert(f.rgb.end(), {std::uint8_t(c.r), std::uint8_t(c.g), std::uint8_t(c.b)});
        }
    return f;
}

// The pixels the frame must arrive as, in the engine's layout.
std::vector<std::uint8_t> engine_bytes(int width, int height, const std::function<Rgb(int, int)>& colour) {
    constexpr ImageId scratch = 991;
    make_picture(scratch, width, height, colour);
    std::vector<std::uint8_t> bytes = bytes_of(scratch);
    free_image(scratch);
    return bytes;
}

Rgb camera_colours(int x, int y) { return {(x * 3) % 256, (y * 5) % 256, (x + y) % 256}; }
Rgb halves(int x, int) { return x < 320 ? Rgb{250, 0, 0} : Rgb{0, 0, 250}; }

QWidget* live_view() {
    for (QWidget* top : QApplication::topLevelWidgets())
        if (QWidget* view = top->findChild<QWidget*>("pixmold_camera_view")) return view;
    return nullptr;
}

class Webcam : public FxPanel {
protected:
    std::shared_ptr<FakeCamera> camera = std::make_shared<FakeCamera>();

    void SetUp() override {
        camera->frame = frame_of(640, 480, camera_colours);
        set_frame_source(camera);
    }
    void TearDown() override {
        FxPanel::TearDown();
        set_frame_source(nullptr);
    }
    // The window closed, the fake camera kept, for another start.
    void close() { FxPanel::TearDown(); }

    void press() {
        simulate_pointer(W_WEBCAM_BUTTON, SubKind::PointerEnter, 20, 20);
        simulate_pointer(W_WEBCAM_BUTTON, SubKind::LeftButtonDown, 20, 20);
        pump();
    }
    void release() {
        simulate_pointer(W_WEBCAM_BUTTON, SubKind::LeftButtonUp, 20, 20);
        pump();
    }

    std::vector<bool> enabled() {
        std::vector<bool> on;
        for (const CommandButton& b : fx_command_buttons()) on.push_back(b.enabled != 0);
        return on;
    }

    bool tools_visible() {
        bool all = true, none = true;
        for (int w : {W_CROP_BUTTON, W_BW_BUTTON, W_BW_OPTIMISED_BUTTON, W_SEPIA_BUTTON, W_BORDER_BUTTON}) {
            all = all && widget_visible(w);
            none = none && !widget_visible(w);
        }
        EXPECT_TRUE(all || none) << "some tool buttons shown, some hidden";
        return all;
    }

    Rgb webcam_button_state() { return canvas_pixel(W_WEBCAM_BUTTON, 1, 1); }

    // The editor as the user left it when no camera or frame came: as before.
    void expect_back_to(const EditorSnapshot& before, const std::string& message) {
        EXPECT_EQ(fx_info_text(), message);
        EXPECT_FALSE(editor().webcam_on());
        EXPECT_EQ(webcam_button_state(), WHITE);
        EXPECT_TRUE(tools_visible());
        EXPECT_EQ(live_view(), nullptr);
        EXPECT_FALSE(camera->running);
        EXPECT_TRUE(editor_snapshot() == before) << "step " << int(editor().step()) << " was " << int(before.step);
    }
};

TEST_F(Webcam, LiveViewCoversThePreviewAreaAtItsPlaceAndShowsTheFrames) {
    camera->frame = frame_of(640, 480, halves);
    start();
    const PreviewFit size = webcam_view_size();
    EXPECT_EQ(size.width, 463);
    EXPECT_EQ(size.height, 347);
    click(W_WEBCAM_BUTTON);
    QWidget* view = live_view();
    ASSERT_NE(view, nullptr);
    QWidget* client = qt_widget(W_FX_PANEL)->parentWidget();
    EXPECT_EQ(view->parentWidget(), client);
    EXPECT_EQ(view->geometry(), QRect(281, 61, 463, 347));
    EXPECT_TRUE(view->isVisible());
    EXPECT_EQ(client->childAt(300, 100), view);  // above the panel
    EXPECT_EQ(client->childAt(743, 407), view);

    // The frames come in on their own, scaled into the view.
    QImage shown;
    for (int i = 0; i < 500; ++i) {
        QCoreApplication::processEvents();
        shown = view->grab().toImage();
        if (shown.pixelColor(50, 100) != QColor(Qt::black)) break;
        QThread::msleep(10);
    }
    EXPECT_EQ(shown.pixelColor(50, 100), QColor(250, 0, 0));
    EXPECT_EQ(shown.pixelColor(400, 300), QColor(0, 0, 250));
}

TEST_F(Webcam, PressingTwiceTakesTheFrameAsThePictureToEdit) {
    start("FR");
    load(picture("old.png", 90, 60));
    ASSERT_EQ(editor().step(), Step::Start);

    press();  // on
    EXPECT_EQ(fx_info_text(), "La webcam est activée");
    EXPECT_TRUE(editor().webcam_on());
    EXPECT_EQ(tool_name(editor().tool()), "webcam");
    EXPECT_FALSE(tools_visible());
    EXPECT_TRUE(widget_visible(W_WEBCAM_BUTTON));
    EXPECT_EQ(webcam_button_state(), GREEN);
    EXPECT_EQ(live_view(), nullptr);  // the release opens it
    release();
    EXPECT_EQ(editor().step(), Step::Live);
    EXPECT_EQ(enabled(), (std::vector<bool>{false, false, false, false}));
    ASSERT_NE(live_view(), nullptr);
    EXPECT_TRUE(camera->running);
    EXPECT_EQ(canvas_pixel(W_PREVIEW_CANVAS, 5, 420), BACKGROUND);  // below the live view
    EXPECT_EQ(canvas_pixel(W_PREVIEW_CANVAS, 5, 5), BACKGROUND);
    // Every command is off while live; Cancel least of all.
    command(Command::Cancel);
    command(Command::Load);
    EXPECT_TRUE(dialogs.requests().size() == 1);  // only the first load's

    press();  // off
    EXPECT_EQ(fx_info_text(), "La webcam est désactivée");
    EXPECT_FALSE(editor().webcam_on());
    EXPECT_TRUE(tools_visible());
    EXPECT_EQ(webcam_button_state(), WHITE);
    release();  // the snapshot
    EXPECT_EQ(fx_info_text(), "Photo capturée");
    EXPECT_EQ(editor().step(), Step::Cancelled);
    EXPECT_EQ(enabled(), (std::vector<bool>{true, false, false, true}));
    EXPECT_EQ(tool_name(editor().result_tool()), "webcam");
    EXPECT_FALSE(editor().pending());
    EXPECT_EQ(live_view(), nullptr);
    EXPECT_FALSE(camera->running);
    EXPECT_EQ(camera->stops, 1);
    EXPECT_TRUE(tools_visible());

    const auto frame = engine_bytes(640, 480, camera_colours);
    EXPECT_EQ(editor().picture_width(), 640);
    EXPECT_EQ(editor().picture_height(), 480);
    EXPECT_TRUE(bytes_of(editor().picture().view()) == frame);
    EXPECT_TRUE(bytes_of(editor().undo().view()) == frame);
    EXPECT_TRUE(bytes_of(editor().result().view()) == frame);
    EXPECT_EQ(editor().fit().width, 463);
    EXPECT_EQ(editor().fit().height, 347);
    EXPECT_EQ(status(), "Taille : 640 x 480");
    EXPECT_EQ(canvas_pixel(W_PREVIEW_CANVAS, 100, 100), pixel(editor().preview()->view(), 100, 100));
    // Handed over directly: no file on the way.
    EXPECT_FALSE(std::filesystem::exists(dir.file("TempCamPic.png")));
    EXPECT_FALSE(std::filesystem::exists(QDir::currentPath().toStdString() + "/TempCamPic.png"));

    // The picture is ready to edit: an effect, then Apply.
    click(W_BW_BUTTON);
    EXPECT_TRUE(editor().pending());
    command(Command::Apply);
    EXPECT_EQ(editor().step(), Step::Applied);
    const Rgb grey = pixel(editor().picture().view(), 7, 3);
    EXPECT_EQ(grey.r, grey.g);
    EXPECT_EQ(grey.g, grey.b);
}

TEST_F(Webcam, SaveAfterASnapshotWritesTheFrame) {
    start();
    click(W_WEBCAM_BUTTON);
    click(W_WEBCAM_BUTTON);
    ASSERT_EQ(editor().step(), Step::Cancelled);
    dialogs.answer_file(dir.file("cam.jpg"), 1);  // a PNG asked for under a .jpg name
    command(Command::Save);
    EXPECT_EQ(dialogs.requests().back().default_answer, "FX_");  // no file was loaded
    EXPECT_EQ(status(), "Image Sauvée");
    EXPECT_EQ(editor().step(), Step::Saved);
    ASSERT_TRUE(load_image(900, dir.file("cam.png")));
    EXPECT_TRUE(bytes_of(900) == engine_bytes(640, 480, camera_colours));

    fx_set_step(Step::Applied);
    dialogs.answer_file(dir.file("cam2"), 0);
    command(Command::Save);
    ASSERT_TRUE(load_image(900, dir.file("cam2.jpg")));
    EXPECT_EQ(is_image(900)->format_tag, TAG_JPEG);
    EXPECT_EQ(image_width(900), 640);
    EXPECT_EQ(image_height(900), 480);
    free_image(900);
}

// Mend: with no camera, or one that does not start, the button does not
// stay on with every command off, and the picture being edited stays.
TEST_F(Webcam, NoCameraLeavesTheEditorAsItWas) {
    for (CameraStart failure : {CameraStart::NoDevice, CameraStart::Failed}) {
        for (bool effect_pending : {false, true}) {
            SCOPED_TRACE(std::string(failure == CameraStart::NoDevice ? "no device" : "failed") +
                         (effect_pending ? ", effect pending" : ""));
            camera->answer = failure;
            start();
            load(picture("mine.png", 90, 60));
            if (effect_pending) click(W_SEPIA_BUTTON);
            const EditorSnapshot before = editor_snapshot();
            click(W_WEBCAM_BUTTON);
            expect_back_to(before, "No webcam found");
            EXPECT_EQ(enabled(), effect_pending ? (std::vector<bool>{true, true, true, false})
                                                : (std::vector<bool>{true, false, false, false}));
            // The next press tries again and still costs nothing.
            click(W_WEBCAM_BUTTON);
            expect_back_to(before, "No webcam found");
            if (effect_pending) {
                command(Command::Apply);
                EXPECT_EQ(editor().step(), Step::Applied);
            }
            close();
        }
    }
}

TEST_F(Webcam, NoCameraWithAnEmptyEditorSaysSoInFrench) {
    camera->answer = CameraStart::NoDevice;
    start("FR");
    const EditorSnapshot before = editor_snapshot();
    click(W_WEBCAM_BUTTON);
    expect_back_to(before, "Aucune webcam détectée");
    EXPECT_FALSE(editor().has_picture());
    EXPECT_EQ(canvas_pixel(W_PREVIEW_CANVAS, 100, 100), BACKGROUND);
}

// Mend: a snapshot that finds no frame keeps the picture being edited.
TEST_F(Webcam, NoFrameKeepsThePicture) {
    for (bool malformed : {false, true}) {
        SCOPED_TRACE(malformed ? "malformed frame" : "no frame");
        if (malformed) {
            camera->frame = frame_of(640, 480, camera_colours);
            camera->frame->rgb.pop_back();  // one byte short
        } else {
            camera->frame.reset();
        }
        start();
        load(picture("mine.png", 90, 60));
        const EditorSnapshot before = editor_snapshot();
        click(W_WEBCAM_BUTTON);
        ASSERT_EQ(editor().step(), Step::Live);
        click(W_WEBCAM_BUTTON);
        expect_back_to(before, "No webcam picture");
        EXPECT_FALSE(image_handle(WEBCAM_FRAME) != 0);
        close();
    }
}

TEST_F(Webcam, ADropWhileLiveIsRefused) {
    start();
    load(picture("mine.png", 90, 60));
    const auto mine = bytes_of(editor().picture().view());
    click(W_WEBCAM_BUTTON);
    drop_on_preview({picture("other.png", 30, 20)});
    EXPECT_TRUE(bytes_of(editor().picture().view()) == mine);
    EXPECT_EQ(editor().step(), Step::Live);
    EXPECT_NE(live_view(), nullptr);
    click(W_WEBCAM_BUTTON);
    EXPECT_EQ(fx_info_text(), "Photo capturée");
    EXPECT_EQ(live_view(), nullptr);
}

TEST_F(Webcam, ClosingTheEditorWhileLiveReleasesTheCamera) {
    start();
    click(W_WEBCAM_BUTTON);
    ASSERT_TRUE(camera->running);
    fx_build_panel(W_FX_PANEL);  // a fresh panel, as a rebuilt window makes
    EXPECT_FALSE(camera->running);
    EXPECT_EQ(live_view(), nullptr);
    EXPECT_FALSE(editor().webcam_on());
}

}  // namespace
}  // namespace pixmold
