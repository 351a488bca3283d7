// Pixmold interface texts: every caption, menu entry, tooltip, message and
// help text of the program, by role, in French or English.
//
// The language is chosen once at start-up from the language setting: French
// gives French, anything else (English, or a word of the settings file that
// names no language) gives English, so the interface never lacks captions.
// Texts are UTF-8; multi-line texts use a single line feed between lines.
// Leading and trailing blanks are part of the texts: other code appends
// numbers and words to them.
#pragma once

#include <string>
#include <string_view>

#include "core/choices.h"

namespace pixmold {

struct InterfaceTexts {
    Language language = Language::English;  // French or English

    // Menus. Item texts may carry "\t" followed by the key hint.
    std::string menu_project;
    std::string menu_adjust_to_desktop;
    std::string menu_open_relative;  // followed by Taille_Paysage, menu_or, Taille_Portrait
    std::string menu_or;
    std::string menu_open_free;  // followed by L + " x " + H
    std::string menu_quit;
    std::string menu_help;
    std::string menu_about;
    std::string menu_how_to_resize;
    std::string menu_which_format;
    std::string menu_which_resolution;
    std::string menu_how_to_crop;
    std::string menu_online;
    std::string menu_check_update;
    std::string menu_visit_website;
    std::string menu_preferences;
    std::string menu_french;
    std::string menu_english;
    // Check items of the preferences menu: output options.
    std::string menu_never_enlarge;
    std::string menu_strip_location;
    // Préférences: subfolders, output folder, earlier outputs.
    std::string menu_subfolders;
    std::string menu_choose_output_folder;  // no output folder chosen
    std::string menu_output_folder_is;      // followed by the chosen folder
    std::string menu_beside_sources;
    std::string menu_skip_outputs;
    std::string output_folder_dialog_title;

    // Main window.
    std::string relative_mode_button;
    std::string free_mode_button;
    std::string mode_tip_title;
    std::string always_on_top_caption;
    std::string preset_header;
    std::string stop_button;
    std::string size_title;
    std::string landscape_label;
    std::string landscape_hint;
    std::string portrait_label;
    std::string portrait_hint;
    std::string free_width_label;
    std::string free_height_label;
    std::string format_title;
    std::string format_label;
    std::string quality_legend;
    std::string prefix_label;
    std::string prefix_button;
    std::string width_letter;
    std::string height_letter;
    std::string fx_tip_title;
    std::string fx_tip_text;
    std::string drop_invitation;

    // Settings summary.
    std::string summary_screen;
    std::string summary_mode;
    std::string summary_relative_name;
    std::string summary_free_name;
    std::string summary_relative_sizes;
    std::string summary_relative_size;
    std::string summary_free_size;
    std::string summary_format;
    std::string summary_quality;
    std::string summary_relative_explained;
    std::string summary_free_explained;

    // Status line and messages.
    std::string batch_finished;
    std::string batch_finished_tail;
    std::string batch_stopped;
    std::string batch_stopped_tail;
    // After the finished or stopped text, in brackets: N + batch_failed, then
    // ", " and N + batch_left_aside for the files of the drop that are not pictures.
    std::string batch_failed;
    std::string batch_left_aside;
    std::string batch_busy;           // a drop while a batch runs
    std::string batch_not_processed;  // heading of the failed names in the InfoPanel
    std::string batch_no_picture;     // a drop without pictures: this, N, batch_files_left_aside
    std::string batch_files_left_aside;
    // Why a picture was not processed, after its name in that list.
    std::string batch_why_unreadable;
    std::string batch_why_unresizable;
    std::string batch_why_disk_full;
    std::string batch_why_no_permission;
    std::string batch_why_read_only;
    std::string batch_why_name_too_long;
    std::string batch_why_same_output;
    std::string batch_why_unwritable;
    std::string batch_why_stopped;
    std::string setting_saved;
    std::string save_failed_title;
    std::string save_failed_text;
    std::string settings_not_saved;  // pref.vrn is not a settings file, or read-only
    std::string preset_applied;
    std::string prefix_dialog_title;
    std::string prefix_dialog_prompt;
    std::string overwrite_question;
    std::string no_prefix;
    std::string new_prefix_done;
    std::string prefix_unchanged;
    std::string prefix_refused;         // + why, when the dialog's answer cannot be used
    std::string stored_prefix_refused;  // + why, at start-up for the settings file's prefix
    std::string prefix_has_separator;
    std::string prefix_has_control_character;
    std::string prefix_too_long;

    // FX editor.
    std::string fx_apply;
    std::string fx_cancel;
    std::string fx_load;
    std::string fx_save;
    std::string fx_black_white;
    std::string fx_black_white_optimised;
    std::string fx_sepia;
    std::string fx_border;
    std::string cancelled;
    std::string fx_apply_first;
    std::string fx_unreadable;   // a picture file the editor could not decode
    std::string fx_save_failed;  // the editor's save could not be written
    std::string fx_replace_before;  // + file name + fx_replace_after: the save's name, once
    std::string fx_replace_after;   // given its extension, is a file that exists already
    std::string fx_no_webcam;          // no camera, or it would not start
    std::string fx_no_webcam_picture;  // the camera gave no frame to take
    std::string fx_busy;               // a long action runs; the panel takes no other meanwhile

    // What a screen reader reads for controls whose caption is missing or
    // only a picture.
    std::string name_prefix_field;
    std::string name_landscape_width;
    std::string name_portrait_height;
    std::string name_free_width;
    std::string name_free_height;
    std::string name_presets;
    std::string name_quality;
    std::string name_info_panel;
    std::string name_status_line;
    std::string name_fx_button;
    std::string describe_fx_button;
    std::string name_fx_crop;
    std::string name_fx_webcam;
    std::string name_fx_preview;
    std::string name_fx_commands;

    // Update check.
    std::string update_no_connection;
    std::string update_title;
    std::string update_latest;
    std::string update_newer_before;
    std::string update_newer_after;
    std::string update_declined;
    std::string update_checking;  // while the download runs
    std::string update_failed;
    std::string update_no_browser;  // + the site's address    // no usable reply, and none earlier

    // Help texts shown in the InfoPanel.
    std::string help_how_to_resize;
    std::string help_which_format;
    std::string help_which_resolution;  // holds the screen size of start-up
    std::string help_how_to_crop;
    std::string about;
};

// Screen numbers that the resolution help quotes; taken once at start-up.
struct ScreenNumbers {
    int screen_width = 0;
    int screen_height = 0;
    int desktop_width = 0;
};

// The full table for one language (Other gives English). `product_name`
// and `version` are the shell's ("Pixmold ", " 1.7.0").
InterfaceTexts make_interface_texts(Language language, const ScreenNumbers& screen, std::string_view product_name,
                                    std::string_view version);

// The table in use, filled by load_interface_texts from the language
// setting; until then the English table with zero screen numbers.
const InterfaceTexts& texts();
void load_interface_texts(Language language, const ScreenNumbers& screen, std::string_view product_name,
                          std::string_view version);

// The notice shown after a language change; always in the chosen language
// (French or English).
std::string_view restart_notice(Language chosen);
inline constexpr std::string_view RESTART_NOTICE_TITLE = "Info";

// Tooltip text of the two mode buttons (the same tail in both languages).
std::string relative_mode_tip(const InterfaceTexts& t);
std::string free_mode_tip(const InterfaceTexts& t);

// A caption as a screen reader says it: without the blanks that place it
// on the screen.
std::string spoken(std::string_view caption);

// Tooltip of the banner: product name, version, a blank and the drop invitation.
std::string banner_tip(const InterfaceTexts& t, std::string_view version);

}  // namespace pixmold
