#include "app/output_options.h"

#include <algorithm>
#include <string>

#include "app/window_layout.h"
#include "app/window_settings.h"
#include "batch/rules.h"
#include "core/texts.h"
#include "runtime/dialogs.h"
#include "runtime/toolkit.h"

namespace pixmold {

namespace {

std::string output_folder() { return settings.output_folder.value_or(std::string()); }

std::string output_folder_item_text() {
    const InterfaceTexts& t = texts();
    return outputs_in_a_folder() ? t.menu_output_folder_is + output_folder() : t.menu_choose_output_folder;
}

// The marks follow the settings, whatever the toolkit flipped on the click.
void show_option_marks() {
    set_menu_item_checked(MAIN_WINDOW, CMD_SUBFOLDERS, settings.subfolders.value_or(false));
    set_menu_item_text(MAIN_WINDOW, CMD_OUTPUT_FOLDER, output_folder_item_text());
    set_menu_item_checked(MAIN_WINDOW, CMD_OUTPUT_FOLDER, outputs_in_a_folder());
    set_menu_item_checked(MAIN_WINDOW, CMD_BESIDE_SOURCES, !outputs_in_a_folder());
    set_menu_item_checked(MAIN_WINDOW, CMD_SKIP_OUTPUTS, settings.skip_outputs.value_or(false));
}

void choose_output_folder() {
    const std::string chosen = folder_dialog(texts().output_folder_dialog_title, output_folder());
    // A line break in the name could not be kept in the settings file.
    const bool storable = std::none_of(chosen.begin(), chosen.end(), [](char c) { return c == '\n' || c == '\r'; });
    if (chosen.empty() || !storable) return;
    settings.output_folder = chosen;
    save_setting(SettingKey::OutputFolder);
}

void write_beside_sources() {
    const InterfaceTexts& t = texts();
    if (!outputs_in_a_folder()) return;
    // Without a prefix, outputs beside their sources replace them: asked as
    // the prefix dialog asks.
    if (effective_prefix(settings.prefix).empty() &&
        message_box(t.no_prefix, t.overwrite_question, MB_YES_NO | MB_ICON_WARNING) != ANSWER_YES) {
        set_text(W_STATUS_LINE, t.cancelled);
        return;
    }
    settings.output_folder = std::string();
    save_setting(SettingKey::OutputFolder);
}

}  // namespace

bool outputs_in_a_folder() { return !output_folder().empty(); }

void add_output_option_items() {
    const InterfaceTexts& t = texts();
    add_menu_item(CMD_SUBFOLDERS, t.menu_subfolders);
    add_menu_item(CMD_OUTPUT_FOLDER, output_folder_item_text());
    add_menu_item(CMD_BESIDE_SOURCES, t.menu_beside_sources);
    add_menu_item(CMD_SKIP_OUTPUTS, t.menu_skip_outputs);
    show_option_marks();
}

bool run_output_option_command(int command) {
    switch (command) {
    case CMD_SUBFOLDERS:
        settings.subfolders = !settings.subfolders.value_or(false);
        save_setting(SettingKey::Subfolders);
        break;
    case CMD_OUTPUT_FOLDER: choose_output_folder(); break;
    case CMD_BESIDE_SOURCES: write_beside_sources(); break;
    case CMD_SKIP_OUTPUTS:
        settings.skip_outputs = !settings.skip_outputs.value_or(false);
        save_setting(SettingKey::SkipOutputs);
        break;
    default: return false;
    }
    show_option_marks();
    return true;
}

}  // namespace pixmold
