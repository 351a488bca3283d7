#include "core/texts.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace pixmold {
namespace {

const ScreenNumbers kScreen{1920, 1080, 1920};

// The settings file's words: only the exact ones name a choice.
TEST(Choices, OnlyExactWordsNameAChoice) {
    EXPECT_EQ(language_from_word("FR"), Language::French);
    EXPECT_EQ(language_from_word("UK"), Language::English);
    for (const char* other : {"ES", "DE", "", "fr", "FR ", "uk"}) EXPECT_EQ(language_from_word(other), Language::Other);
    EXPECT_EQ(mode_from_word("REL"), Mode::Relative);
    EXPECT_EQ(mode_from_word("LIB"), Mode::Free);
    for (const char* other : {"rel", "", "REL ", "FREE"}) EXPECT_EQ(mode_from_word(other), Mode::Other);
    EXPECT_EQ(format_from_word("JPG"), OutputFormat::Jpeg);
    EXPECT_EQ(format_from_word("PNG"), OutputFormat::Png);
    for (const char* other : {"jpg", "JPEG", "", "GIF"}) EXPECT_EQ(format_from_word(other), OutputFormat::Other);
    for (const Mode m : {Mode::Relative, Mode::Free}) EXPECT_EQ(mode_from_word(word_for(m)), m);
    for (const OutputFormat f : {OutputFormat::Jpeg, OutputFormat::Png}) EXPECT_EQ(format_from_word(word_for(f)), f);
    for (const Language l : {Language::French, Language::English}) EXPECT_EQ(language_from_word(word_for(l)), l);
    EXPECT_EQ(word_for(Mode::Other), "");
}

// Unknown language words, which the settings file may hold, give English.
TEST(Choices, OnlyFrenchSelectsTheFrenchTable) {
    EXPECT_EQ(interface_language(Language::French), Language::French);
    EXPECT_EQ(interface_language(Language::English), Language::English);
    EXPECT_EQ(interface_language(Language::Other), Language::English);
    const InterfaceTexts other = make_interface_texts(Language::Other, kScreen, "Pixmold ", " 1.7.0");
    EXPECT_EQ(other.language, Language::English);
    EXPECT_EQ(other.stop_button, make_interface_texts(Language::English, kScreen, "Pixmold ", " 1.7.0").stop_button);
    EXPECT_EQ(other.about, make_interface_texts(Language::English, kScreen, "Pixmold ", " 1.7.0").about);
}

std::vector<const std::string*> every_text(const InterfaceTexts& t) {
    return {&t.menu_project, &t.menu_adjust_to_desktop, &t.menu_open_relative, &t.menu_or, &t.menu_open_free,
            &t.menu_quit, &t.menu_help, &t.menu_about, &t.menu_how_to_resize, &t.menu_which_format,
            &t.menu_which_resolution, &t.menu_how_to_crop, &t.menu_online, &t.menu_check_update,
            &t.menu_visit_website, &t.menu_preferences, &t.menu_french, &t.menu_english, &t.menu_subfolders,
            &t.menu_choose_output_folder, &t.menu_output_folder_is, &t.menu_beside_sources, &t.menu_skip_outputs,
            &t.output_folder_dialog_title, &t.relative_mode_button,
            &t.free_mode_button, &t.mode_tip_title, &t.always_on_top_caption, &t.preset_header, &t.stop_button,
            &t.size_title, &t.landscape_label, &t.landscape_hint, &t.portrait_label, &t.portrait_hint,
            &t.free_width_label, &t.free_height_label, &t.format_title, &t.format_label, &t.quality_legend,
            &t.prefix_label, &t.prefix_button, &t.width_letter, &t.height_letter, &t.fx_tip_title, &t.fx_tip_text,
            &t.drop_invitation, &t.summary_screen, &t.summary_mode, &t.summary_relative_name, &t.summary_free_name,
            &t.summary_relative_sizes, &t.summary_relative_size, &t.summary_free_size, &t.summary_format,
            &t.summary_quality, &t.summary_relative_explained, &t.summary_free_explained, &t.batch_finished,
            &t.batch_finished_tail, &t.batch_stopped, &t.batch_not_processed, &t.batch_why_unreadable,
            &t.batch_why_unresizable, &t.batch_why_disk_full, &t.batch_why_no_permission, &t.batch_why_read_only,
            &t.batch_why_unwritable, &t.batch_why_stopped, &t.batch_why_name_too_long, &t.batch_why_same_output,
            &t.batch_failed, &t.batch_left_aside, &t.batch_no_picture, &t.batch_files_left_aside, &t.setting_saved,
            &t.save_failed_title, &t.save_failed_text,
            &t.preset_applied, &t.prefix_dialog_title, &t.prefix_dialog_prompt, &t.overwrite_question,
            &t.no_prefix, &t.new_prefix_done, &t.prefix_unchanged, &t.prefix_refused, &t.stored_prefix_refused,
            &t.prefix_has_separator, &t.prefix_has_control_character, &t.prefix_too_long, &t.fx_apply, &t.fx_cancel, &t.fx_load,
            &t.fx_save, &t.fx_black_white, &t.fx_black_white_optimised, &t.fx_sepia, &t.fx_border, &t.cancelled,
            &t.fx_apply_first, &t.fx_unreadable, &t.fx_save_failed, &t.fx_no_webcam, &t.fx_no_webcam_picture, &t.fx_busy,
            &t.name_prefix_field, &t.name_landscape_width, &t.name_portrait_height, &t.name_free_width,
            &t.name_free_height, &t.name_presets, &t.name_quality, &t.name_info_panel, &t.name_status_line,
            &t.name_fx_button, &t.describe_fx_button, &t.name_fx_crop, &t.name_fx_webcam, &t.name_fx_preview,
            &t.name_fx_commands,
            &t.update_no_connection, &t.update_title,
            &t.update_latest, &t.update_newer_before, &t.update_newer_after, &t.update_declined, &t.update_checking,
            &t.update_failed, &t.help_how_to_resize,
            &t.settings_not_saved,
            &t.help_which_format, &t.help_which_resolution, &t.help_how_to_crop, &t.about};
}

TEST(TextTable, EveryRoleIsFilledInBothLanguages) {
    for (Language lang : {Language::French, Language::English}) {
        InterfaceTexts t = make_interface_texts(lang, kScreen, "Pixmold ", " 1.7.0");
        auto all = every_text(t);
        for (std::size_t i = 0; i < all.size(); ++i) EXPECT_FALSE(all[i]->empty()) << "role #" << i;
    }
}

TEST(TextTable, BlanksAroundTextsArePartOfThem) {
    InterfaceTexts fr = make_interface_texts(Language::French, kScreen, "Pixmold ", " 1.7.0");
    InterfaceTexts uk = make_interface_texts(Language::English, kScreen, "Pixmold ", " 1.7.0");
    EXPECT_EQ(fr.menu_open_relative, " Ouvrir une image à redimensionner en se basant sur ");
    EXPECT_EQ(uk.menu_open_relative, " Open a picture to resize using : ");
    EXPECT_EQ(fr.menu_or, " ou ");
    EXPECT_EQ(uk.prefix_label, " Prefix : ");
    EXPECT_EQ(fr.prefix_label, " Préfixe : ");
    EXPECT_EQ(fr.relative_mode_button, "Mode Relatif ");
    EXPECT_EQ(uk.relative_mode_button, " Relative");
    EXPECT_EQ(fr.quality_legend, "Qualité : 0 (mauvaise) 10 (meilleure) ");
    EXPECT_EQ(uk.landscape_hint, "for 'landscape' pictures ");
    // The preferences title is the same in both languages.
    EXPECT_EQ(fr.menu_preferences, " Préférences");
    EXPECT_EQ(uk.menu_preferences, " Préférences");
    // The English FX tooltip keeps its title and text the way round they are shown.
    EXPECT_EQ(uk.fx_tip_title, "Click to open/close FX tool !");
    EXPECT_EQ(uk.fx_tip_text, "Special Effect");
}

TEST(TextTable, MultiLineTextsUseSingleLineFeeds) {
    for (Language lang : {Language::French, Language::English}) {
        InterfaceTexts t = make_interface_texts(lang, kScreen, "Pixmold ", " 1.7.0");
        for (const std::string* s : every_text(t)) EXPECT_EQ(s->find('\r'), std::string::npos) << *s;
    }
    InterfaceTexts uk = make_interface_texts(Language::English, kScreen, "Pixmold ", " 1.7.0");
    EXPECT_EQ(uk.overwrite_question,
              "Be careful, you did not specify a prefix, it means that you will overwrite the original images..\n"
              "Do you really want to overwrite the original images?");
    EXPECT_EQ(uk.update_newer_after,
              " is available, you want to download it?\n(Click Yes button to go to the download page)");
}

TEST(HelpTexts, TitleThenBlankLineThenParagraphs) {
    for (Language lang : {Language::French, Language::English}) {
        InterfaceTexts t = make_interface_texts(lang, kScreen, "Pixmold ", " 1.7.0");
        for (const std::string* help :
             {&t.help_how_to_resize, &t.help_which_format, &t.help_which_resolution, &t.help_how_to_crop}) {
            auto first = help->find('\n');
            ASSERT_NE(first, std::string::npos);
            EXPECT_EQ(help->compare(first, 2, "\n\n"), 0) << *help;
            EXPECT_NE(help->back(), '\n');
        }
    }
    InterfaceTexts fr = make_interface_texts(Language::French, kScreen, "Pixmold ", " 1.7.0");
    // Pieces quoted side by side continue the same line.
    EXPECT_NE(fr.help_how_to_resize.find("il ne vous restera plus qu'à glisser/déposer vos fichiers"),
              std::string::npos);
    InterfaceTexts uk = make_interface_texts(Language::English, kScreen, "Pixmold ", " 1.7.0");
    EXPECT_EQ(uk.help_how_to_crop,
              "How to crop a picture ?\n\nTo crop a picture, press the FX button to open the FX window.\n"
              "Select the CROP FX (1st)\nPress 'Load a picture' or drag and drop one, then draw your selection\n"
              "Press APPLY then save the new picture or continue with FX TOOLS :).\n"
              " > Note : Right click to cancel selection.");
}

TEST(HelpTexts, ResolutionHelpQuotesTheStartUpScreen) {
    ScreenNumbers screen{1600, 900, 1590};
    InterfaceTexts fr = make_interface_texts(Language::French, screen, "Pixmold ", " 1.7.0");
    const std::string fr_tail = "Nous vous proposons de vous baser sur votre résolution d'écran qui est de : L1600 x  H900";
    ASSERT_GE(fr.help_which_resolution.size(), fr_tail.size());
    EXPECT_EQ(fr.help_which_resolution.substr(fr.help_which_resolution.size() - fr_tail.size()), fr_tail);

    InterfaceTexts uk = make_interface_texts(Language::English, screen, "Pixmold ", " 1.7.0");
    EXPECT_NE(uk.help_which_resolution.find("\nWe suggest you draw on your screen resolution that is:1600 x 900\n"),
              std::string::npos);
    EXPECT_NE(uk.help_which_resolution.find("rely on a width of  1590 in relative mode.\n"), std::string::npos);
    EXPECT_NE(uk.help_which_resolution.find("in relative mode using as size 900\nTips : "), std::string::npos);
}

TEST(HelpTexts, AboutStartsWithProductAndVersion) {
    InterfaceTexts fr = make_interface_texts(Language::French, kScreen, "Pixmold ", " 1.7.0");
    EXPECT_EQ(fr.about.rfind("Pixmold  1.7.0\n", 0), 0u);
}

TEST(Tooltips, ModeButtonTailsAreFrenchInBothLanguages) {
    InterfaceTexts uk = make_interface_texts(Language::English, kScreen, "Pixmold ", " 1.7.0");
    EXPECT_EQ(relative_mode_tip(uk), " Relative\r(pour photo)");
    EXPECT_EQ(free_mode_tip(uk), " Free\r(images diverses)");
    InterfaceTexts fr = make_interface_texts(Language::French, kScreen, "Pixmold ", " 1.7.0");
    EXPECT_EQ(free_mode_tip(fr), "Mode Libre \r(images diverses)");
    EXPECT_EQ(banner_tip(uk, " 1.7.0"), "VARNELO - Pixmold  1.7.0 Drag & Drop yours pictures !");
    EXPECT_EQ(banner_tip(fr, " 1.7.0"), "VARNELO - Pixmold  1.7.0 Glisser & Déposer vos photos !");
}

TEST(LoadInterfaceTexts, ReplacesTheTableInUse) {
    load_interface_texts(Language::French, kScreen, "Pixmold ", " 1.7.0");
    EXPECT_EQ(texts().stop_button, "Stopper");
    load_interface_texts(language_from_word("XX"), kScreen, "Pixmold ", " 1.7.0");
    EXPECT_EQ(texts().stop_button, "Stop");
    EXPECT_EQ(texts().language, Language::English);
    // The restart notice follows the chosen language, not the one on screen.
    EXPECT_EQ(restart_notice(Language::French), "Vous devez redémarrer Pixmold");
    EXPECT_EQ(restart_notice(Language::English), "You have to restart Pixmold");
    EXPECT_EQ(restart_notice(Language::Other), "You have to restart Pixmold");
}

}  // namespace
}  // namespace pixmold
