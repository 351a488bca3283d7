// The main window driven headless through its real widgets: every action
// below is a Qt input event on a widget, which travels through the toolkit's
// queue and wait_event to the window's handlers, as in the running program.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "app/artwork.h"
#include "app/canvases.h"
#include "app/language_switch.h"
#include "app/main_window.h"
#include "app/settings_report.h"
#include "app/shell_state.h"
#include "app/startup.h"
#include "app/window_layout.h"
#include "app/window_rules.h"
#include "app/window_settings.h"
#include "core/texts.h"
#include "image/codec.h"
#include "image/image.h"
#include "toolkit/dialogs.h"
#include "toolkit/input_simulation.h"
#include "platform/prefs_file.h"
#include "toolkit/text_alignment.h"
#include "toolkit/toolkit.h"
#include "temp_dir.h"
#include "core/version.h"
#include "window_program.h"

namespace pixmold {
namespace {

constexpr int SCREEN_W = 1920;
constexpr int SCREEN_H = 1080;

class MainWindow : public ::testing::Test {
protected:
    test::TempDir dir;
    bool ended = false;

    static void SetUpTestSuite() { ASSERT_TRUE(test::start_window_program()); }

    // Starts the window as start-up does, in language `lng`, with the
    // settings file of this test's folder.
    void start(const std::string& lng = "UK", const std::string& type = "JPG", const std::string& mode = "REL") {
        shell.quit_requested = 0;
        shell.fx_panel_open = 0;
        shell.screen_width = SCREEN_W;
        shell.screen_height = SCREEN_H;
        load_window_settings(dir.file("pref.vrn"), SCREEN_W, SCREEN_H);
        settings.language = language_from_word(lng);
        settings.format = format_from_word(type);
        settings.mode = mode_from_word(mode);
        load_interface_texts(settings.language, {SCREEN_W, SCREEN_H, SCREEN_W}, shell.product_name, shell.version);
        set_language_switch_ending([this] { ended = true; });
        install_settings_report();
        build_main_window();
        pump();
    }

    void TearDown() override {
        pump();
        close_window(MAIN_WINDOW);
    }

    // Runs every queued event through the same dispatch as the event loop.
    void pump() {
        for (;;) {
            switch (wait_event(30)) {
            case EventKind::None:
                return;
            case EventKind::MenuCommand:
                handle_menu_command(event_command());
                break;
            case EventKind::WidgetEvent:
                handle_widget_event(event_widget(), event_subkind(), event_x(), event_y());
                break;
            default:
                break;
            }
        }
    }

    void click_canvas(int widget, int x, int y = 5) {
        simulate_pointer(widget, SubKind::PointerMove, x, y);
        simulate_pointer(widget, SubKind::LeftButtonDown, x, y);
        simulate_pointer(widget, SubKind::LeftButtonUp, x, y);
        pump();
    }

    // Writes a key of group "USER" straight into the file.
    void store(const char* key, const char* value) {
        ASSERT_TRUE(prefs_open(dir.file("pref.vrn")));
        prefs_select_group("USER");
        prefs_write_text(key, value);
        ASSERT_TRUE(prefs_close());
    }

    // A key of group "USER" as the file holds it now.
    std::string stored(const char* key) {
        std::string value = "<none>";
        if (prefs_open(dir.file("pref.vrn"))) {
            if (prefs_select_group("USER")) value = prefs_read_text(key, "<none>");
            prefs_close();
        }
        return value;
    }
};

TEST_F(MainWindow, QualitySliderSavesTheClickedCellAtOnce) {
    start();
    click_canvas(W_QUALITY_SLIDER, QUALITY_WIDTH - 1);
    EXPECT_EQ(settings.quality, 10);
    EXPECT_EQ(stored("QUALITE"), "10");
    EXPECT_NE(get_text(W_INFO_PANEL).find("Image quality: 10 / 10"), std::string::npos);

    click_canvas(W_QUALITY_SLIDER, 24);
    EXPECT_EQ(settings.quality, 0);
    EXPECT_EQ(stored("QUALITE"), "0");

    click_canvas(W_QUALITY_SLIDER, 25);
    EXPECT_EQ(stored("QUALITE"), "1");
}

TEST_F(MainWindow, QualitySliderShowsTheChosenCell) {
    start();
    // The chosen cell is filled with the accent colour, the others white.
    auto cell_centre_is_white = [](int digit) {
        PixelView v = canvas_pixels(W_QUALITY_SLIDER);
        const int x = 3 + digit * 24 + 2;
        const std::uint8_t* p = v.row_from_top(4) + x * 3;
        return p[0] == 255 && p[1] == 255 && p[2] == 255;
    };
    click_canvas(W_QUALITY_SLIDER, 5 * 25 + 3);
    EXPECT_FALSE(cell_centre_is_white(5));
    EXPECT_TRUE(cell_centre_is_white(8));
    click_canvas(W_QUALITY_SLIDER, 8 * 25 + 3);
    EXPECT_TRUE(cell_centre_is_white(5));
    EXPECT_FALSE(cell_centre_is_white(8));
}

TEST_F(MainWindow, FormatSelectorHidesTheQualityForPng) {
    start();
    ASSERT_GT(jpg_text_width(), 0);
    const int png_x = jpg_text_width() + 60;
    EXPECT_TRUE(widget_visible(W_QUALITY_SLIDER));

    click_canvas(W_FORMAT_SELECTOR, png_x);
    EXPECT_EQ(settings.format, OutputFormat::Png);
    EXPECT_EQ(stored("TYPE"), "PNG");
    EXPECT_FALSE(widget_visible(W_QUALITY_SLIDER));
    EXPECT_FALSE(widget_visible(W_QUALITY_LABEL));
    EXPECT_EQ(get_text(W_INFO_PANEL).find("Image quality"), std::string::npos);

    click_canvas(W_FORMAT_SELECTOR, 5);
    EXPECT_EQ(settings.format, OutputFormat::Jpeg);
    EXPECT_TRUE(widget_visible(W_QUALITY_SLIDER));
    EXPECT_TRUE(widget_visible(W_QUALITY_LABEL));

    // Between the zones nothing happens.
    click_canvas(W_FORMAT_SELECTOR, jpg_text_width() + 30);
    EXPECT_EQ(settings.format, OutputFormat::Jpeg);
}

TEST_F(MainWindow, ClickingTheChosenFormatOnlySavesAgain) {
    start("UK", "PNG");
    EXPECT_FALSE(widget_visible(W_QUALITY_SLIDER));
    // Something else in the file must survive the repeated save untouched.
    store("TYPE", "JPG");
    click_canvas(W_FORMAT_SELECTOR, jpg_text_width() + 60);
    EXPECT_EQ(stored("TYPE"), "PNG");
    EXPECT_EQ(settings.format, OutputFormat::Png);
    EXPECT_FALSE(widget_visible(W_QUALITY_SLIDER));
}

TEST_F(MainWindow, FormatSelectorNamesTheZoneUnderThePointer) {
    start();
    set_text(W_STATUS_LINE, "before");
    simulate_pointer(W_FORMAT_SELECTOR, SubKind::PointerEnter, 0, 0);
    simulate_pointer(W_FORMAT_SELECTOR, SubKind::PointerMove, jpg_text_width() + 60, 5);
    pump();
    EXPECT_EQ(get_text(W_STATUS_LINE), "Output format PNG");
    EXPECT_EQ(pointer_shape(W_FORMAT_SELECTOR), PointerShape::Hand);
    simulate_pointer(W_FORMAT_SELECTOR, SubKind::PointerMove, 5, 5);
    pump();
    // JPG is already chosen: the arrow stays.
    EXPECT_EQ(pointer_shape(W_FORMAT_SELECTOR), PointerShape::Arrow);
    simulate_pointer(W_FORMAT_SELECTOR, SubKind::PointerLeave, 0, 0);
    pump();
    EXPECT_EQ(get_text(W_STATUS_LINE), "before");
}

// The third format and the preferences menu's options: saved at once, and
// never written into the file before the user sets them.
TEST_F(MainWindow, WebpChoiceAndOutputOptionsAreSavedAtOnce) {
    start("UK", "PNG");
    ASSERT_TRUE(save_all_settings());
    const int webp_x = webp_marker_x(jpg_text_width()) + 5;
    click_canvas(W_FORMAT_SELECTOR, webp_x);
    EXPECT_EQ(settings.format, OutputFormat::Webp);
    EXPECT_EQ(stored("TYPE"), "WEBP");
    EXPECT_TRUE(widget_visible(W_QUALITY_SLIDER));
    EXPECT_NE(get_text(W_INFO_PANEL).find("Image quality"), std::string::npos);
    // The marker under the click is the one that shows the choice.
    const std::uint8_t* mark = canvas_pixels(W_FORMAT_SELECTOR).row_from_top(FORMAT_HEIGHT / 2) + webp_x * 3;
    EXPECT_GT(mark[1], mark[0] + 50);
    EXPECT_GT(mark[1], mark[2] + 50);

    EXPECT_EQ(stored("DOSSIER_SORTIE"), "<none>");
    for (const auto& [command, key] : {std::pair{CMD_NEVER_ENLARGE, "PAS_AGRANDIR"}, {CMD_STRIP_LOCATION, "SANS_GPS"},
                                       {CMD_SUBFOLDERS, "SOUS_DOSSIERS"}, {CMD_SKIP_OUTPUTS, "IGNORER_SORTIES"}}) {
        EXPECT_EQ(stored(key), "<none>") << key;
        EXPECT_FALSE(menu_item_checked(MAIN_WINDOW, command));
        for (const char* value : {"1", "0"}) {
            trigger_menu_item(MAIN_WINDOW, command);
            pump();
            EXPECT_EQ(stored(key), value) << key;
            EXPECT_EQ(menu_item_checked(MAIN_WINDOW, command), value == std::string("1")) << key;
        }
    }
}

TEST_F(MainWindow, PresetHeadersJumpBackAndKeepTheSize) {
    start("UK", "JPG", "LIB");
    const std::int16_t l = settings.free_width, h = settings.free_height;
    for (int position : {0, 1, 8, 9, 12, 13}) {
        simulate_list_choice(W_PRESET_LIST, position);
        pump();
        EXPECT_EQ(list_get_selected(W_PRESET_LIST), 0) << position;
        EXPECT_EQ(settings.free_width, l);
        EXPECT_EQ(settings.free_height, h);
    }
    simulate_list_choice(W_PRESET_LIST, 11);
    pump();
    EXPECT_EQ(get_text(W_PRESET_LIST), " 1080p ");
    EXPECT_EQ(settings.free_width, 1920);
    EXPECT_EQ(settings.free_height, 1080);
    EXPECT_EQ(get_text(W_FREE_WIDTH), "1920");
    EXPECT_EQ(get_text(W_FREE_HEIGHT), "1080");
    EXPECT_NE(get_text(W_INFO_PANEL).find("picture:1920 px   x 1080 px \n"), std::string::npos);
}

TEST_F(MainWindow, SizeFieldsKeepDigitsAndTheLargestSide) {
    start("UK", "JPG", "LIB");
    simulate_typing(W_FREE_WIDTH, "640");
    pump();
    EXPECT_EQ(settings.free_width, 640);
    EXPECT_EQ(stored("L"), "640");
    EXPECT_EQ(menu_item_text(MAIN_WINDOW, CMD_OPEN_FREE).rfind(" Open a picture to resize in 640 x ", 0), 0u);

    // A value that used to wrap to a negative size is held at 32767.
    simulate_typing(W_FREE_HEIGHT, "40000");
    pump();
    EXPECT_EQ(settings.free_height, 32767);
    EXPECT_EQ(stored("H"), "32767");
    EXPECT_EQ(get_text(W_FREE_HEIGHT), "32767");

    simulate_typing(W_FREE_WIDTH, "12ab");
    pump();
    EXPECT_EQ(get_text(W_FREE_WIDTH).find_first_not_of("0123456789"), std::string::npos);
    EXPECT_GE(settings.free_width, 0);

    // An empty field counts as 0.
    simulate_typing(W_FREE_WIDTH, "");
    pump();
    EXPECT_EQ(settings.free_width, 0);
    EXPECT_EQ(stored("L"), "0");
}

TEST_F(MainWindow, RelativeFieldsRenameTheOpenEntry) {
    start();
    simulate_typing(W_LANDSCAPE_WIDTH, "800");
    pump();
    EXPECT_EQ(settings.landscape_width, 800);
    EXPECT_EQ(stored("Taille_Paysage"), "800");
    EXPECT_EQ(menu_item_text(MAIN_WINDOW, CMD_OPEN_RELATIVE),
              " Open a picture to resize using : 800 " + std::to_string(settings.portrait_height));
    EXPECT_NE(get_text(W_INFO_PANEL).find("Size : 800 px  x  "), std::string::npos);
}

TEST_F(MainWindow, ModeButtonsSwapTheRows) {
    start();
    EXPECT_TRUE(widget_visible(W_LANDSCAPE_WIDTH));
    EXPECT_FALSE(widget_visible(W_PRESET_LIST));
    EXPECT_EQ(widget_height(W_RELATIVE_MODE), 34);
    simulate_click(W_FREE_MODE);
    pump();
    EXPECT_EQ(settings.mode, Mode::Free);
    EXPECT_EQ(stored("MODE"), "LIB");
    EXPECT_FALSE(widget_visible(W_LANDSCAPE_WIDTH));
    EXPECT_TRUE(widget_visible(W_FREE_WIDTH));
    EXPECT_TRUE(widget_visible(W_PRESET_LIST));
    EXPECT_EQ(widget_height(W_FREE_MODE), 34);
    EXPECT_EQ(widget_height(W_RELATIVE_MODE), 20);
    EXPECT_EQ(widget_y(W_RELATIVE_MODE), ROW_MODE + 13);
    EXPECT_NE(get_text(W_INFO_PANEL).find("Mode : free"), std::string::npos);
}

TEST_F(MainWindow, PrefixDialogOutcomes) {
    start();
    ScriptedDialogs dialogs;
    const std::string before = settings.prefix;

    dialogs.answer_text("small_");
    simulate_click(W_PREFIX_BUTTON);
    pump();
    ASSERT_EQ(dialogs.requests().size(), 1u);
    EXPECT_EQ(dialogs.requests()[0].title, "Choice of Prefix");
    EXPECT_EQ(dialogs.requests()[0].text, "Type the prefixe (0 = no prefix)");
    EXPECT_EQ(dialogs.requests()[0].default_answer, before);
    EXPECT_EQ(settings.prefix, "small_");
    EXPECT_EQ(stored("PREFIX"), "small_");
    EXPECT_EQ(get_text(W_PREFIX_FIELD), "small_");
    EXPECT_EQ(get_text(W_STATUS_LINE), "New prefix done");

    dialogs.answer_text("small_");
    simulate_click(W_PREFIX_BUTTON);
    pump();
    EXPECT_EQ(get_text(W_STATUS_LINE), "Prefixe has not been changed");

    // Empty answer: the overwrite question; No keeps the prefix.
    dialogs.answer_text("");
    dialogs.answer_code(ANSWER_NO);
    simulate_click(W_PREFIX_BUTTON);
    pump();
    ASSERT_EQ(dialogs.requests().size(), 4u);
    EXPECT_EQ(dialogs.requests()[3].kind, DialogKind::MessageBox);
    EXPECT_EQ(dialogs.requests()[3].title, "No prefix");
    EXPECT_EQ(settings.prefix, "small_");
    EXPECT_EQ(stored("PREFIX"), "small_");
    EXPECT_EQ(get_text(W_STATUS_LINE), "Cancel, Prefixe has not been changed");

    // Yes stores "0".
    dialogs.answer_text("");
    dialogs.answer_code(ANSWER_YES);
    simulate_click(W_PREFIX_BUTTON);
    pump();
    EXPECT_EQ(settings.prefix, "0");
    EXPECT_EQ(stored("PREFIX"), "0");
    EXPECT_EQ(get_text(W_PREFIX_FIELD), "0");
    EXPECT_EQ(dialogs.unused_answers(), 0u);
}

TEST_F(MainWindow, PrefixDialogRefusesWhatCouldWriteElsewhereAndSaysWhy) {
    const std::vector<std::pair<std::string, std::string>> english = {
        {"../escape_", "Prefix refused: \"/\" not allowed"},
        {"a\nb", "Prefix refused: no control characters"},
        {std::string(251, 'p'), "Prefix refused: too long for a file name"},
    };
    const std::vector<std::pair<std::string, std::string>> french = {
        {"sub/x_", "Préfixe refusé : \"/\" interdit"},
        {std::string("a\0b", 3), "Préfixe refusé : caractères de contrôle interdits"},
        {std::string(300, 'p'), "Préfixe refusé : trop long pour un nom de fichier"},
    };
    for (const auto& [lng, answers] : {std::pair{"UK", english}, std::pair{"FR", french}}) {
        start(lng);
        settings.prefix = "mine_";
        save_setting(SettingKey::Prefix);
        set_text(W_PREFIX_FIELD, "mine_");
        ScriptedDialogs dialogs;
        for (const auto& [answer, says] : answers) {
            dialogs.answer_text(answer);
            simulate_click(W_PREFIX_BUTTON);
            pump();
            EXPECT_EQ(get_text(W_STATUS_LINE), says);
            EXPECT_EQ(settings.prefix, "mine_");
            EXPECT_EQ(stored("PREFIX"), "mine_");
            EXPECT_EQ(get_text(W_PREFIX_FIELD), "mine_");
        }
        EXPECT_EQ(dialogs.requests().size(), answers.size());  // no overwrite question either
        close_window(MAIN_WINDOW);
    }
}

TEST_F(MainWindow, SavedPrefixThatCouldWriteElsewhereGivesWayToTheDefault) {
    const std::string saved = "[DEFAUT]\r\nPREFIX = prefix_\r\n[USER]\r\nPREFIX = ../esc_\r\n";
    test::write_bytes(dir.file("pref.vrn"), saved);
    start("FR");
    EXPECT_EQ(settings.prefix, "prefix_");
    EXPECT_EQ(get_text(W_PREFIX_FIELD), "prefix_");
    EXPECT_EQ(get_text(W_STATUS_LINE), "Préfixe enregistré refusé : \"/\" interdit");
    EXPECT_EQ(stored("PREFIX"), "../esc_");  // the file changes with the next full save only
    save_all_settings();
    EXPECT_EQ(stored("PREFIX"), "prefix_");

    test::write_bytes(dir.file("pref.vrn"), saved);
    close_window(MAIN_WINDOW);
    start("UK");
    EXPECT_EQ(get_text(W_STATUS_LINE), "Saved prefix refused: \"/\" not allowed");
}

TEST_F(MainWindow, EnglishExitKeyIsE) {
    start("UK");
    settings.quality = 3;  // only a full save writes this
    simulate_key(MAIN_WINDOW, 'Q');
    pump();
    EXPECT_EQ(shell.quit_requested, 0);
    EXPECT_EQ(stored("QUALITE"), "<none>");
    simulate_key(MAIN_WINDOW, 'E');
    pump();
    EXPECT_EQ(shell.quit_requested, 1);
    EXPECT_EQ(stored("QUALITE"), "3");
}

TEST_F(MainWindow, FrenchExitKeyIsQ) {
    start("FR");
    simulate_key(MAIN_WINDOW, 'E');
    pump();
    EXPECT_EQ(shell.quit_requested, 0);
    simulate_key(MAIN_WINDOW, 'Q');
    pump();
    EXPECT_EQ(shell.quit_requested, 1);
    EXPECT_EQ(stored("LNG"), "FR");
}

TEST_F(MainWindow, KeysTypedInAFieldStillRunTheirCommand) {
    start("UK", "JPG", "LIB");
    set_focus(W_FREE_WIDTH);
    simulate_key(MAIN_WINDOW, 'A');
    pump();
    EXPECT_EQ(get_text(W_INFO_PANEL).rfind("Pixmold " + shown_version(), 0), 0u);
    EXPECT_EQ(shell.quit_requested, 0);
}

// Space, Return and the arrow keys work the focused control as a click
// does: the same handler runs, so the setting reaches the file (or the
// control's dialog is asked) exactly as after a click.
TEST_F(MainWindow, KeysWorkTheFocusedControlAsAClickDoes) {
    struct Case {
        const char* mode;
        int control;
        int key;
        const char* setting;
        const char* saved;
    };
    const Case cases[] = {
        {"REL", W_QUALITY_SLIDER, KEY_RIGHT, "QUALITE", "9"},
        {"REL", W_QUALITY_SLIDER, KEY_LEFT, "QUALITE", "7"},
        {"REL", W_QUALITY_SLIDER, KEY_END, "QUALITE", "10"},
        {"REL", W_FORMAT_SELECTOR, KEY_RIGHT, "TYPE", "PNG"},
        {"REL", W_FORMAT_SELECTOR, KEY_SPACE, "TYPE", "PNG"},
        {"REL", W_ALWAYS_ON_TOP, KEY_SPACE, "VISIBLE", "1"},
        {"REL", W_ALWAYS_ON_TOP, KEY_RETURN, "VISIBLE", "1"},
        {"REL", W_FREE_MODE, KEY_RETURN, "MODE", "LIB"},
        {"LIB", W_RELATIVE_MODE, KEY_RETURN, "MODE", "REL"},
        {"REL", W_PREFIX_BUTTON, KEY_RETURN, "PREFIX", "keyed_"},
        // The arrows pass over the list's headers to the nearest size.
        {"LIB", W_PRESET_LIST, KEY_DOWN, "L", "2560"},
        {"LIB", W_PRESET_LIST, KEY_END, "H", "240"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "control " << c.control << ", key " << c.key);
        test::write_bytes(dir.file("pref.vrn"), "[DEFAUT]\r\nQUALITE = 8\r\n[USER]\r\nVISIBLE = 0\r\n");
        start("UK", "JPG", c.mode);
        ScriptedDialogs dialogs;
        dialogs.answer_text("keyed_");
        set_focus(c.control);
        simulate_key(MAIN_WINDOW, c.key);
        pump();
        EXPECT_EQ(stored(c.setting), c.saved);
        close_window(MAIN_WINDOW);
    }
}

// The FX button opens the panel from the keyboard, and the panel's command
// bar answers it too: Return on Load asks for a picture.
TEST_F(MainWindow, KeysOpenTheFxPanelAndPressItsCommands) {
    start();
    set_focus(W_FX_BUTTON);
    simulate_key(MAIN_WINDOW, KEY_SPACE);
    pump();
    EXPECT_EQ(shell.fx_panel_open, 1);
    EXPECT_TRUE(widget_visible(W_FX_PANEL));
    ScriptedDialogs dialogs;  // the open dialog, cancelled
    // Crop, the four effects, the webcam, the preview, then the bar's first button: Load.
    for (int i = 0; i < 8; ++i) simulate_key(MAIN_WINDOW, KEY_TAB);
    simulate_key(MAIN_WINDOW, KEY_RETURN);
    pump();
    ASSERT_EQ(dialogs.requests().size(), 1u);
    EXPECT_EQ(dialogs.requests()[0].kind, DialogKind::OpenFile);
}

TEST_F(MainWindow, ChoosingTheLanguageInUseDoesNothing) {
    start("UK");
    ScriptedDialogs dialogs;
    trigger_menu_item(MAIN_WINDOW, CMD_ENGLISH);
    pump();
    EXPECT_TRUE(dialogs.requests().empty());
    EXPECT_FALSE(ended);
    EXPECT_EQ(stored("LNG"), "<none>");
}

TEST_F(MainWindow, SwitchingLanguageTellsInTheNewOneSavesAndEnds) {
    start("UK");
    ScriptedDialogs dialogs;
    trigger_menu_item(MAIN_WINDOW, CMD_FRENCH);
    pump();
    ASSERT_EQ(dialogs.requests().size(), 1u);
    EXPECT_EQ(dialogs.requests()[0].title, "Info");
    EXPECT_EQ(dialogs.requests()[0].text, "Vous devez redémarrer Pixmold");
    EXPECT_NE(dialogs.requests()[0].flags & MB_ICON_INFORMATION, 0);
    EXPECT_EQ(stored("LNG"), "FR");
    EXPECT_TRUE(ended);
}

// A language word of the settings file that names no language ("ES") gives
// the English interface, and the English command switches from it too.
TEST_F(MainWindow, SwitchingToEnglishFromFrenchOrAnUnknownWord) {
    for (const char* lng : {"FR", "ES"}) {
        SCOPED_TRACE(lng);
        ended = false;
        start(lng);
        simulate_key(MAIN_WINDOW, 'Q');
        pump();
        EXPECT_EQ(shell.quit_requested, std::string(lng) == "FR" ? 1 : 0);  // Q quits in French only
        ScriptedDialogs dialogs;
        trigger_menu_item(MAIN_WINDOW, CMD_ENGLISH);
        pump();
        ASSERT_EQ(dialogs.requests().size(), 1u);
        EXPECT_EQ(dialogs.requests()[0].text, "You have to restart Pixmold");
        EXPECT_EQ(stored("LNG"), "UK");
        EXPECT_TRUE(ended);
        close_window(MAIN_WINDOW);
    }
}

TEST_F(MainWindow, AdjustToDesktopInRelativeMode) {
    start("UK", "JPG", "REL");
    simulate_typing(W_LANDSCAPE_WIDTH, "800");
    pump();
    trigger_menu_item(MAIN_WINDOW, CMD_ADJUST_TO_DESKTOP);
    pump();
    EXPECT_EQ(settings.landscape_width, desktop_width());
    EXPECT_EQ(settings.portrait_height, desktop_height());
    EXPECT_EQ(get_text(W_LANDSCAPE_WIDTH), std::to_string(desktop_width()));
    EXPECT_EQ(stored("Taille_Paysage"), std::to_string(desktop_width()));
    EXPECT_EQ(settings.free_width, static_cast<std::int16_t>(desktop_width()));
}

TEST_F(MainWindow, AdjustToDesktopInFreeModeFillsTheFreeFields) {
    start("UK", "JPG", "LIB");
    simulate_typing(W_FREE_WIDTH, "10");
    simulate_typing(W_FREE_HEIGHT, "20");
    pump();
    trigger_menu_item(MAIN_WINDOW, CMD_ADJUST_TO_DESKTOP);
    pump();
    EXPECT_EQ(get_text(W_FREE_WIDTH), std::to_string(desktop_width()));
    EXPECT_EQ(get_text(W_FREE_HEIGHT), std::to_string(desktop_height()));
    EXPECT_EQ(stored("FREE_L"), std::to_string(desktop_width()));
    EXPECT_EQ(stored("FREE_H"), std::to_string(desktop_height()));
    EXPECT_EQ(settings.free_width, static_cast<std::int16_t>(desktop_width()));
}

TEST_F(MainWindow, AlwaysOnTopSwitchTogglesInItsZone) {
    start();
    const std::int64_t before = settings.visible;
    click_canvas(W_ALWAYS_ON_TOP, 10);  // on the label: nothing
    EXPECT_EQ(settings.visible, before);
    click_canvas(W_ALWAYS_ON_TOP, SWITCH_WIDTH - 20);
    EXPECT_EQ(settings.visible, before == 1 ? 0 : before + 1);
    EXPECT_EQ(stored("VISIBLE"), std::to_string(settings.visible));
    click_canvas(W_ALWAYS_ON_TOP, SWITCH_WIDTH - 20);
    EXPECT_EQ(settings.visible, 1);
}

TEST_F(MainWindow, FxButtonWidensAndNarrowsTheWindow) {
    start();
    EXPECT_EQ(window_width(MAIN_WINDOW), COLUMN_WIDTH);
    EXPECT_FALSE(widget_visible(W_FX_PANEL));
    click_canvas(W_FX_BUTTON, 50, 15);
    EXPECT_EQ(shell.fx_panel_open, 1);
    EXPECT_EQ(window_width(MAIN_WINDOW), WIDE_WIDTH);
    EXPECT_TRUE(widget_visible(W_FX_PANEL));
    click_canvas(W_FX_BUTTON, 50, 15);
    EXPECT_EQ(shell.fx_panel_open, 0);
    EXPECT_EQ(window_width(MAIN_WINDOW), NARROW_WIDTH);
    EXPECT_FALSE(widget_visible(W_FX_PANEL));
}

TEST_F(MainWindow, HelpEntriesFillTheInfoPanel) {
    start("FR");
    trigger_menu_item(MAIN_WINDOW, CMD_HELP_RESOLUTION);
    pump();
    EXPECT_NE(get_text(W_INFO_PANEL).find("qui est de : L1920 x  H1080"), std::string::npos);
    EXPECT_TRUE(text_is_centred(W_INFO_PANEL));
    trigger_menu_item(MAIN_WINDOW, CMD_HELP_CROP);
    pump();
    EXPECT_EQ(get_text(W_INFO_PANEL).rfind("Comment recadrer une image ?", 0), 0u);
    // The summary replaces the help text as soon as a setting changes.
    click_canvas(W_QUALITY_SLIDER, 100);
    EXPECT_EQ(get_text(W_INFO_PANEL).rfind("\n > Résolution écran", 0), 0u);
    EXPECT_FALSE(text_is_centred(W_INFO_PANEL));
}

TEST_F(MainWindow, CaptionsFollowTheLanguage) {
    start("FR");
    EXPECT_EQ(tooltip_text(W_BANNER), "VARNELO - Pixmold " + shown_version() + " Glisser &amp; Déposer vos photos !");
    EXPECT_NE(tooltip_text(W_FX_BUTTON).find("<b>Effets Spéciaux</b>"), std::string::npos);
    EXPECT_EQ(get_text(W_PREFIX_BUTTON), "Modifier le préfixe");
    EXPECT_EQ(get_text(W_SIZE_TITLE), "Taille des futurs fichiers");
    EXPECT_EQ(menu_item_text(MAIN_WINDOW, CMD_EXIT), "&Quitter\tQ");
    EXPECT_EQ(menu_item_text(MAIN_WINDOW, CMD_ABOUT), "A propos du &logiciel ?\tA");
    EXPECT_NE(get_text(W_INFO_PANEL).find(" > Résolution écran : L 1920    H 1080 <"), std::string::npos);
}

// pixmold-batch run in `folder` on a picture that is not there; its standard error.
std::string batch_errors_in(const std::string& folder) {
    const test::TempDir logs;
    const std::string log = logs.file("errors.txt");
    const std::string command = "cd '" + folder + "' && '" PIXMOLD_BATCH_PROGRAM "' missing.jpg 2>'" + log + "'";
    EXPECT_NE(std::system(command.c_str()), -1);
    const std::string errors = test::read_bytes(log);
    std::remove(log.c_str());
    return errors;
}

// A pref.vrn that is no settings file (a link to a shell's start-up file, a
// file over 1 MiB) is never written: the window runs on the defaults and
// says once that changes cannot be saved, as it does for a read-only file
// (at start, or at the first change when it became read-only meanwhile);
// pixmold-batch says it too. A link to a settings file and an empty file
// are saved into as ever.
TEST_F(MainWindow, ChangesNeverRewriteAFileThatIsNoSettingsFile) {
    const std::string NOTICE = "Settings cannot be saved (pref.vrn)";
    const std::string settings_file = "\xEF\xBB\xBF\r\n[DEFAUT]\r\nQUALITE = 8\r\n[USER]\r\nQUALITE = 3\r\n";
    const std::string shell_file = "# ~/.bashrc\n[ -z \"$PS1\" ] && return\nHISTSIZE=1000\nalias ll='ls -l'\n";
    const std::string huge = settings_file + std::string(1 << 20, ';') + "\r\n";
    enum class When { Never, AtStart, AtFirstChange };
    struct Case {
        const char* name;
        std::string target;  // what pref.vrn holds, or leads to
        bool link;
        bool foreign;        // not a settings file: defaults, and pixmold-batch says so
        When told;
        bool read_only_at_start = false;
    };
    const Case cases[] = {
        {"link to a shell file", shell_file, true, true, When::AtStart},
        {"file over 1 MiB", huge, false, true, When::AtStart},
        {"read-only file", settings_file, false, false, When::AtStart, true},
        {"made read-only while running", settings_file, false, false, When::AtFirstChange},
        {"link to a settings file", settings_file, true, false, When::Never},
        {"empty file", "", false, false, When::Never},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string prefs = dir.file("pref.vrn");
        const std::string target = c.link ? dir.file("target") : prefs;
        test::write_bytes(target, c.target);
        if (c.link) std::filesystem::create_symlink(target, prefs);
        if (c.read_only_at_start) ::chmod(target.c_str(), 0444);
        const std::string before = test::read_bytes(target);

        start("UK");
        EXPECT_EQ(get_text(W_STATUS_LINE) == NOTICE, c.told == When::AtStart);
        if (c.foreign) {
            EXPECT_EQ(settings.quality, 8);  // the defaults, not the file's 3
        }
        if (c.told == When::AtFirstChange) ::chmod(target.c_str(), 0444);

        click_canvas(W_QUALITY_SLIDER, QUALITY_WIDTH - 1);
        EXPECT_EQ(get_text(W_STATUS_LINE) == NOTICE, c.told != When::Never);
        set_text(W_STATUS_LINE, "");
        click_canvas(W_QUALITY_SLIDER, 24);
        EXPECT_EQ(get_text(W_STATUS_LINE), "");  // said once only
        EXPECT_EQ(settings.quality, 0);           // the window works on with its values
        if (c.told != When::Never) {
            EXPECT_TRUE(test::read_bytes(target) == before) << "rewritten by a change";
        } else {
            EXPECT_NE(test::read_bytes(target).find("[USER]\r\nQUALITE = 0\r\n"), std::string::npos);
            EXPECT_EQ(std::filesystem::is_symlink(prefs), c.link);
        }
        close_window(MAIN_WINDOW);

        const std::string errors = batch_errors_in(dir.path());
        EXPECT_EQ(errors.find("\"pref.vrn\" is not a settings file") != std::string::npos, c.foreign) << errors;
        if (c.told != When::Never) {
            EXPECT_TRUE(test::read_bytes(target) == before) << "rewritten by pixmold-batch";
        }
        ::chmod(target.c_str(), 0644);
        std::filesystem::remove(prefs);
        std::filesystem::remove(target);
    }
}

TEST(Artwork, EveryEmbeddedPictureDecodesAtItsSize) {
    init_image_engine();
    register_all_codecs();
    EXPECT_EQ(embedded_pictures().size(), 28u);  // and the switch background made at start
    EXPECT_EQ(decode_embedded_pictures(), 0);
    EXPECT_EQ(image_width(PIC_BANNER), 275);
    EXPECT_EQ(image_height(PIC_BANNER), 47);
    for (ImageId n : {PIC_FX_BUTTON, PIC_FX_BUTTON_HOT}) {
        EXPECT_EQ(image_width(n), 100);
        EXPECT_EQ(image_height(n), 30);
    }
    for (ImageId n : {PIC_SWITCH_ON, PIC_SWITCH_OFF}) {
        EXPECT_EQ(image_width(n), 56);
        EXPECT_EQ(image_height(n), 30);
    }
    EXPECT_EQ(image_width(PIC_SWITCH_BACK), 150);
    EXPECT_EQ(image_width(PIC_MENU_OPEN), 16);
    EXPECT_EQ(image_width(PIC_MENU_HELP), 16);  // the first entry of the icon file
    EXPECT_EQ(image_width(PIC_INFO), 16);
    EXPECT_EQ(image_width(PIC_FX_CROP), 39);
    EXPECT_EQ(image_height(PIC_FX_CROP), 29);
    EXPECT_EQ(image_height(PIC_FX_WEBCAM_ON), 39);
}

}  // namespace
}  // namespace pixmold
