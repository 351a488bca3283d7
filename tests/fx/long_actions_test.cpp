// The long actions on big pictures run on a worker thread: the panel says it
// is busy and refuses any other action, the event loop goes on, and the
// result that comes back is the one the action makes at once on a small
// picture. "Big" is lowered to every picture here, so small pictures serve.
#include <QTest>
#include <QTimer>

#include <condition_variable>
#include <cstdint>
#include <limits>
#include <mutex>

#include "editor_snapshot.h"
#include "fx/effects.h"
#include "fx/fx.h"
#include "panel_fixture.h"
#include "platform/threads.h"
#include "toolkit/ui_tasks.h"

namespace pixmold {
namespace {

using namespace test;

constexpr BackgroundFrom EVERY_PICTURE{0, 0};
constexpr BackgroundFrom NO_PICTURE{std::numeric_limits<std::int64_t>::max(),
                                    std::numeric_limits<std::uintmax_t>::max()};

// Holds the "held" effect's worker until let go.
struct Gate {
    std::mutex lock;
    std::condition_variable changed;
    bool open = true;
    void pass() {
        std::unique_lock hold(lock);
        changed.wait(hold, [this] { return open; });
    }
    void set(bool to) {
        {
            std::lock_guard hold(lock);
            open = to;
        }
        changed.notify_all();
    }
} gate;

// The standard effects and, last, black and white that waits at the gate.
const std::vector<Effect>& effects_with_held() {
    static const std::vector<Effect> effects = [] {
        std::vector<Effect> e(standard_effects().begin(), standard_effects().end());
        e.push_back({"held", "fx_bw.png", "fx_bw_hot.png", &InterfaceTexts::fx_black_white,
                     [](const PixelView&, const PixelView& to, Colour) {
                         gate.pass();
                         black_and_white(to);
                         return true;
                     },
                     false});
        return e;
    }();
    return effects;
}
const int W_HELD_BUTTON = effect_button(4);

// What the user sees and what the editor holds once an action is over.
struct Outcome {
    EditorSnapshot editor;
    std::string status, info;
    std::vector<int> commands;  // each command on or off
    std::vector<PointerShape> pointers;
    std::string saved;
    std::uint32_t next_draw = 0;  // the sepia generator's
    bool operator==(const Outcome&) const = default;
};

class LongActions : public FxPanel {
protected:
    void TearDown() override {
        gate.set(true);
        while (fx_busy()) pump();
        fx_set_background_from({});
        FxPanel::TearDown();
    }

    // The panel with the held effect and a picture loaded at once.
    void start_with_picture() {
        fx_set_background_from(NO_PICTURE);
        start();
        ASSERT_TRUE(fx_build_panel(W_FX_PANEL, effects_with_held()));
        load(picture("photo.png", 300, 200));
    }

    // The events of a click, queued and not yet dispatched.
    static void queue_click(int widget, int x = 20, int y = 20) {
        simulate_pointer(widget, SubKind::PointerEnter, x, y);
        simulate_pointer(widget, SubKind::PointerMove, x, y);
        simulate_pointer(widget, SubKind::LeftButtonDown, x, y);
        simulate_pointer(widget, SubKind::LeftButtonUp, x, y);
        simulate_pointer(widget, SubKind::PointerLeave, x, y);
    }
    static void queue_command(Command c) {
        const CommandButton& b = fx_command_buttons()[std::size_t(c)];
        queue_click(W_COMMAND_BAR, b.x + b.width / 2, b.y + b.height / 2);
    }

    // Dispatches queued events one by one until the panel turns busy; false
    // when none did it. Nothing else runs between that event and the return.
    bool dispatch_until_busy() {
        while (!fx_busy()) {
            switch (wait_event(20)) {
            case EventKind::None: return false;
            case EventKind::WidgetEvent:
                handle_widget_event(event_widget(), event_subkind(), event_x(), event_y());
                break;
            case EventKind::DropOnWidget: handle_drop_on_widget(event_widget(), event_dropped_files()); break;
            default: break;
            }
        }
        return true;
    }

    // Events dispatched until the action under way is over.
    void settle() {
        do pump();
        while (fx_busy());
    }

    // The signs of a busy panel.
    void expect_busy() {
        EXPECT_TRUE(fx_busy());
        EXPECT_EQ(status(), texts().fx_busy);
        for (const CommandButton& b : fx_command_buttons()) EXPECT_FALSE(b.enabled) << b.caption;
        for (int widget : fx_tab_order()) EXPECT_EQ(pointer_shape(widget), PointerShape::Busy) << widget;
    }

    Outcome outcome(const std::string& saved_file = {}) {
        Outcome o{editor_snapshot(), status(), fx_info_text(), {}, {}, {}, 0};
        for (const CommandButton& b : fx_command_buttons()) o.commands.push_back(b.enabled);
        for (int widget : fx_tab_order()) o.pointers.push_back(pointer_shape(widget));
        if (!saved_file.empty()) o.saved = read_bytes(saved_file);
        o.next_draw = effect_random().at(effect_random().take(1));
        return o;
    }
};

// A long action: what comes before it, then its events, queued.
struct LongAction {
    const char* name;
    std::function<void(LongActions&, TempDir&, ScriptedDialogs&)> before;
    std::function<void(TempDir&, ScriptedDialogs&)> queue;
    const char* saves = "";  // the file it writes
};

void PrintTo(const LongAction& action, std::ostream* out) { *out << action.name; }

class EachLongAction : public LongActions, public ::testing::WithParamInterface<LongAction> {
public:
    using LongActions::queue_click;
    using LongActions::queue_command;
};

TEST_P(EachLongAction, GivesAsideWhatItGivesAtOnce) {
    const LongAction& action = GetParam();
    std::vector<Outcome> outcomes;
    for (const BackgroundFrom from : {NO_PICTURE, EVERY_PICTURE}) {
        start_with_picture();
        effect_random() = FastRandom(20240601u);
        action.before(*this, dir, dialogs);
        pump();
        fx_set_background_from(from);
        action.queue(dir, dialogs);
        if (from.pixels == 0) {
            ASSERT_TRUE(dispatch_until_busy());
            expect_busy();
        }
        settle();
        EXPECT_FALSE(fx_busy());
        outcomes.push_back(outcome(*action.saves ? dir.file(action.saves) : std::string()));
        if (*action.saves) std::filesystem::remove(dir.file(action.saves));
        fx_set_background_from(NO_PICTURE);
        close_window(MAIN_WINDOW);
        pump();
    }
    EXPECT_TRUE(outcomes[0] == outcomes[1]) << "status " << outcomes[0].status << " / " << outcomes[1].status
                                            << ", info " << outcomes[0].info << " / " << outcomes[1].info;
    if (*action.saves) {
        EXPECT_FALSE(outcomes[1].saved.empty());
    }
}

using P = EachLongAction;
void nothing(LongActions&, TempDir&, ScriptedDialogs&) {}
void applied(LongActions&, TempDir&, ScriptedDialogs&) {
    P::queue_click(W_BW_OPTIMISED_BUTTON);
    P::queue_command(Command::Apply);
}
void crop_mode(LongActions&, TempDir&, ScriptedDialogs&) { P::queue_click(W_CROP_BUTTON); }

INSTANTIATE_TEST_SUITE_P(
    FxPanel, EachLongAction,
    ::testing::Values(
        LongAction{"LoadThroughTheDialog", nothing,
                   [](TempDir& dir, ScriptedDialogs& dialogs) {
                       dialogs.answer_file(picture_file(dir.file("other.png"), 500, 700, gradient));
                       P::queue_command(Command::Load);
                   }},
        LongAction{"UnreadableLoad", nothing,
                   [](TempDir& dir, ScriptedDialogs& dialogs) {
                       write_bytes(dir.file("broken.jpg"), "\xff\xd8\xff\xe0 not really a JPEG");
                       dialogs.answer_file(dir.file("broken.jpg"));
                       P::queue_command(Command::Load);
                   }},
        LongAction{"DropOnThePreview", nothing,
                   [](TempDir& dir, ScriptedDialogs&) {
                       write_bytes(dir.file("broken.jpg"), "\xff\xd8\xff\xe0 not really a JPEG");
                       drop_paths(qt_widget(W_PREVIEW_CANVAS),
                                  {dir.file("broken.jpg"), picture_file(dir.file("other.png"), 640, 480, gradient)});
                   }},
        LongAction{"Sepia", nothing, [](TempDir&, ScriptedDialogs&) { P::queue_click(W_SEPIA_BUTTON); }},
        LongAction{"BorderAfterItsColour", nothing,
                   [](TempDir&, ScriptedDialogs& dialogs) {
                       dialogs.answer_colour(make_rgb(0, 128, 255));
                       P::queue_click(W_BORDER_BUTTON);
                   }},
        LongAction{"CropFrameReleased", crop_mode,
                   [](TempDir&, ScriptedDialogs&) {
                       simulate_pointer(W_PREVIEW_CANVAS, SubKind::PointerEnter, 30, 20);
                       simulate_pointer(W_PREVIEW_CANVAS, SubKind::LeftButtonDown, 30, 20);
                       simulate_pointer(W_PREVIEW_CANVAS, SubKind::PointerMove, 200, 150);
                       simulate_pointer(W_PREVIEW_CANVAS, SubKind::LeftButtonUp, 200, 150);
                   }},
        LongAction{"SaveAsPng", applied,
                   [](TempDir& dir, ScriptedDialogs& dialogs) {
                       dialogs.answer_file(dir.file("kept"), 1);
                       P::queue_command(Command::Save);
                   },
                   "kept.png"},
        LongAction{"SaveAsJpeg", applied,
                   [](TempDir& dir, ScriptedDialogs& dialogs) {
                       dialogs.answer_file(dir.file("kept"), 0);
                       P::queue_command(Command::Save);
                   },
                   "kept.jpg"}),
    [](const ::testing::TestParamInfo<LongAction>& info) { return std::string(info.param.name); });

// A second action while one runs, through each way of asking for one.
struct SecondAction {
    const char* name;
    std::function<void(LongActions&, TempDir&, ScriptedDialogs&)> ask;
};

void PrintTo(const SecondAction& action, std::ostream* out) { *out << action.name; }

class WhileBusy : public LongActions, public ::testing::WithParamInterface<SecondAction> {
public:
    using LongActions::drop_on_preview;
    using LongActions::pump;
    using LongActions::queue_click;
    using LongActions::queue_command;
};

TEST_P(WhileBusy, TheSecondActionIsRefusedAndTheLoopGoesOn) {
    start_with_picture();
    click(W_BW_OPTIMISED_BUTTON);
    command(Command::Apply);  // Load and Save on: the commands have something to refuse
    effect_random() = FastRandom(7);
    queue_click(W_HELD_BUTTON);
    pump();
    const Outcome at_once = outcome();
    command(Command::Cancel);  // back to the applied picture, Load and Save on

    fx_set_background_from(EVERY_PICTURE);
    effect_random() = FastRandom(7);
    gate.set(false);
    queue_click(W_HELD_BUTTON);
    ASSERT_TRUE(dispatch_until_busy());
    pump();  // the rest of the click
    const EditorSnapshot before = editor_snapshot();
    const std::size_t dialogs_asked = dialogs.requests().size();

    GetParam().ask(*this, dir, dialogs);
    pump();
    expect_busy();
    EXPECT_TRUE(editor_snapshot() == before);
    EXPECT_EQ(dialogs.requests().size(), dialogs_asked);

    // The loop still runs posted work and timers.
    bool posted = false, timed = false;
    post_ui_task([&] { posted = true; });
    QTimer::singleShot(1, [&] { timed = true; });
    while (!posted || !timed) pump();
    EXPECT_TRUE(fx_busy());

    gate.set(true);
    settle();
    EXPECT_TRUE(outcome() == at_once);
}

INSTANTIATE_TEST_SUITE_P(
    FxPanel, WhileBusy,
    ::testing::Values(
        SecondAction{"AnotherEffect", [](LongActions&, TempDir&, ScriptedDialogs&) { WhileBusy::queue_click(W_SEPIA_BUTTON); }},
        SecondAction{"TheSameEffect", [](LongActions&, TempDir&, ScriptedDialogs&) { WhileBusy::queue_click(W_HELD_BUTTON); }},
        SecondAction{"BorderAndItsColour",
                     [](LongActions&, TempDir&, ScriptedDialogs& dialogs) {
                         dialogs.answer_colour(make_rgb(1, 2, 3));
                         WhileBusy::queue_click(W_BORDER_BUTTON);
                     }},
        SecondAction{"CropMode", [](LongActions&, TempDir&, ScriptedDialogs&) { WhileBusy::queue_click(W_CROP_BUTTON); }},
        SecondAction{"Webcam", [](LongActions&, TempDir&, ScriptedDialogs&) { WhileBusy::queue_click(W_WEBCAM_BUTTON); }},
        SecondAction{"LoadCommand",
                     [](LongActions&, TempDir& dir, ScriptedDialogs& dialogs) {
                         dialogs.answer_file(picture_file(dir.file("b.png"), 40, 30, gradient));
                         WhileBusy::queue_command(Command::Load);
                     }},
        SecondAction{"SaveCommand",
                     [](LongActions&, TempDir& dir, ScriptedDialogs& dialogs) {
                         dialogs.answer_file(dir.file("out"), 1);
                         WhileBusy::queue_command(Command::Save);
                     }},
        SecondAction{"SpaceOnTheCommandBar",
                     [](LongActions&, TempDir&, ScriptedDialogs&) {
                         QTest::keyClick(qt_widget(W_COMMAND_BAR), Qt::Key_Space);
                     }},
        SecondAction{"OpenFromTheMenu",
                     [](LongActions&, TempDir& dir, ScriptedDialogs& dialogs) {
                         dialogs.answer_file(picture_file(dir.file("b.png"), 40, 30, gradient));
                         fx_load_command();
                     }},
        SecondAction{"DropOnThePreview",
                     [](LongActions&, TempDir& dir, ScriptedDialogs&) {
                         drop_paths(qt_widget(W_PREVIEW_CANVAS), {picture_file(dir.file("b.png"), 40, 30, gradient)});
                     }},
        SecondAction{"FrameDrawnOnThePreview",
                     [](LongActions&, TempDir&, ScriptedDialogs&) {
                         simulate_pointer(W_PREVIEW_CANVAS, SubKind::LeftButtonDown, 10, 10);
                         simulate_pointer(W_PREVIEW_CANVAS, SubKind::PointerMove, 100, 100);
                         simulate_pointer(W_PREVIEW_CANVAS, SubKind::LeftButtonUp, 100, 100);
                         simulate_pointer(W_PREVIEW_CANVAS, SubKind::RightButtonDown, 100, 100);
                     }}),
    [](const ::testing::TestParamInfo<SecondAction>& info) { return std::string(info.param.name); });

// The window closed while the work runs: its result finds no widgets and
// nothing breaks.
TEST_F(LongActions, TheWindowClosedWhileBusy) {
    start_with_picture();
    fx_set_background_from(EVERY_PICTURE);
    gate.set(false);
    queue_click(W_HELD_BUTTON);
    ASSERT_TRUE(dispatch_until_busy());
    close_window(MAIN_WINDOW);
    pump();
    gate.set(true);
    settle();
    EXPECT_EQ(tool_name(editor().result_tool()), "held");
    EXPECT_TRUE(editor().pending());
}

// Shutdown stops every worker and waits for it: a save under way is
// written whole, as it is at once.
TEST_F(LongActions, ShutdownWaitsForASaveUnderWay) {
    start_with_picture();
    applied(*this, dir, dialogs);
    pump();
    dialogs.answer_file(dir.file("at-once"), 1);
    command(Command::Save);
    const std::string at_once = read_bytes(dir.file("at-once.png"));
    ASSERT_FALSE(at_once.empty());

    fx_set_background_from(EVERY_PICTURE);
    fx_set_step(Step::Applied);
    dialogs.answer_file(dir.file("aside"), 1);
    queue_command(Command::Save);
    ASSERT_TRUE(dispatch_until_busy());
    kill_all_threads();  // as the program's end does, before the widgets go
    EXPECT_EQ(read_bytes(dir.file("aside.png")), at_once);
    // Whether or not its result was handed over, a panel built afresh is free.
    pump();
    ASSERT_TRUE(fx_build_panel(W_FX_PANEL, effects_with_held()));
    EXPECT_FALSE(fx_busy());
}

}  // namespace
}  // namespace pixmold
