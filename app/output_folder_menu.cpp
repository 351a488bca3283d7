#include "app/output_folder_menu.h"

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
void show_marks() {
    set_menu_item_text(MAIN_WINDOW, CMD_OUTPUT_FOLDER, output_folder_item_text());
    set_menu_item_checked(MAIN_WINDOW, CMD_OUTPUT_FOLDER, outputs_in_a_folder());
    set_menu_item_checked(MAIN_WINDOW, CMD_BESIDE_SOURCES, !outputs_in_a_folder());
}

void choose_output_folder() {
    const std::string chosen = folder_dialog(texts().output_folder_dialog_title, output_folder());
    // A line break in the name could not be kept in the settings file.
    if (chosen.empty() || chosen.find_first_of("\r\n") != std::string::npos) return;
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

void add_output_folder_items() {
    const InterfaceTexts& t = texts();
    add_menu_check_item(CMD_OUTPUT_FOLDER, output_folder_item_text(), outputs_in_a_folder());
    add_menu_check_item(CMD_BESIDE_SOURCES, t.menu_beside_sources, !outputs_in_a_folder());
}

bool run_output_folder_command(int command) {
    if (command == CMD_OUTPUT_FOLDER)
        choose_output_folder();
    else if (command == CMD_BESIDE_SOURCES)
        write_beside_sources();
    else
        return false;
    show_marks();
    return true;
}

}  // namespace pixmold
