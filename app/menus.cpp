#include "app/menus.h"

#include <optional>
#include <string>

#include "app/artwork.h"
#include "app/output_folder_menu.h"
#include "app/window_layout.h"
#include "app/window_settings.h"
#include "core/texts.h"
#include "runtime/toolkit.h"

namespace pixmold {

namespace {

ImageHandle picture(ImageId number) { return image_handle(number); }

// The entries that a plain key runs: the key is both the shortcut and the
// hint shown beside the entry, so the two cannot disagree.
struct KeyedEntry {
    int menu_command;
    int key_command;
    char french_key;
    char english_key;
};

constexpr KeyedEntry KEYED_ENTRIES[] = {
    {CMD_EXIT, KEY_CMD_EXIT, 'Q', 'E'},
    {CMD_ABOUT, KEY_CMD_ABOUT, 'A', 'A'},
    {CMD_CHECK_UPDATE, KEY_CMD_UPDATE, 'M', 'U'},
    {CMD_VISIT_WEBSITE, KEY_CMD_WEBSITE, 'V', 'V'},
};

char key_of(const KeyedEntry& entry) {
    return settings.language == Language::French ? entry.french_key : entry.english_key;
}

// `text` with the hint of the key that runs `menu_command`, if one does.
std::string with_key_hint(const std::string& text, int menu_command) {
    for (const KeyedEntry& entry : KEYED_ENTRIES)
        if (entry.menu_command == menu_command) return text + "\t" + key_of(entry);
    return text;
}

// The preferences menu's check items, one per option: choosing one flips
// its option and saves its key at once.
struct OptionEntry {
    int command;
    std::string InterfaceTexts::*text;
    std::optional<bool> Settings::*option;
    SettingKey key;
};

const OptionEntry OPTION_ENTRIES[] = {
    {CMD_NEVER_ENLARGE, &InterfaceTexts::menu_never_enlarge, &Settings::never_enlarge, SettingKey::NeverEnlarge},
    {CMD_STRIP_LOCATION, &InterfaceTexts::menu_strip_location, &Settings::strip_location, SettingKey::StripLocation},
    {CMD_SUBFOLDERS, &InterfaceTexts::menu_subfolders, &Settings::subfolders, SettingKey::Subfolders},
    {CMD_SKIP_OUTPUTS, &InterfaceTexts::menu_skip_outputs, &Settings::skip_outputs, SettingKey::SkipOutputs},
};

std::string menu_open_relative_text() {
    const InterfaceTexts& t = texts();
    return t.menu_open_relative + std::to_string(settings.landscape_width) + t.menu_or +
           std::to_string(settings.portrait_height);
}

std::string menu_open_free_text() {
    return texts().menu_open_free + std::to_string(settings.free_width) + " x " + std::to_string(settings.free_height);
}

}  // namespace

void build_menus() {
    const InterfaceTexts& t = texts();
    create_menu_bar(MAIN_WINDOW);
    add_menu_title(t.menu_project);
    add_menu_item(CMD_ADJUST_TO_DESKTOP, t.menu_adjust_to_desktop, picture(PIC_MENU_DESKTOP));
    add_menu_item(CMD_OPEN_RELATIVE, menu_open_relative_text(), picture(PIC_MENU_OPEN));
    add_menu_item(CMD_OPEN_FREE, menu_open_free_text(), picture(PIC_MENU_OPEN));
    add_menu_separator();
    add_menu_item(CMD_EXIT, with_key_hint(t.menu_quit, CMD_EXIT));

    add_menu_title(t.menu_help);
    add_menu_item(CMD_ABOUT, with_key_hint(t.menu_about, CMD_ABOUT), picture(PIC_MENU_HELP));
    add_menu_separator();
    add_menu_item(CMD_HELP_RESIZE, t.menu_how_to_resize, picture(PIC_MENU_HELP));
    add_menu_item(CMD_HELP_FORMAT, t.menu_which_format, picture(PIC_MENU_HELP));
    add_menu_item(CMD_HELP_RESOLUTION, t.menu_which_resolution, picture(PIC_MENU_HELP));
    add_menu_separator();
    add_menu_item(CMD_HELP_CROP, t.menu_how_to_crop, picture(PIC_MENU_HELP));

    add_menu_title(t.menu_online);
    add_menu_item(CMD_CHECK_UPDATE, with_key_hint(t.menu_check_update, CMD_CHECK_UPDATE), picture(PIC_MENU_UPDATE));
    add_menu_item(CMD_VISIT_WEBSITE, with_key_hint(t.menu_visit_website, CMD_VISIT_WEBSITE),
                  picture(PIC_MENU_WEBSITE));

    add_menu_title(t.menu_preferences);
    add_menu_item(CMD_FRENCH, t.menu_french, picture(PIC_MENU_FRENCH));
    add_menu_item(CMD_ENGLISH, t.menu_english, picture(PIC_MENU_ENGLISH));
    add_menu_separator();
    for (const OptionEntry& entry : OPTION_ENTRIES)
        add_menu_check_item(entry.command, t.*entry.text, (settings.*entry.option).value_or(false));
    add_output_folder_items();
}

bool toggle_option_entry(int command) {
    for (const OptionEntry& entry : OPTION_ENTRIES) {
        if (entry.command != command) continue;
        std::optional<bool>& option = settings.*entry.option;
        option = !option.value_or(false);
        set_menu_item_checked(MAIN_WINDOW, command, *option);
        save_setting(entry.key);
        return true;
    }
    return false;
}

void add_shortcuts() {
    for (const KeyedEntry& entry : KEYED_ENTRIES) add_shortcut(MAIN_WINDOW, key_of(entry), entry.key_command);
    add_shortcut(MAIN_WINDOW, KEY_RETURN, KEY_CMD_NOTHING);
}

void rename_open_free_entry() { set_menu_item_text(MAIN_WINDOW, CMD_OPEN_FREE, menu_open_free_text()); }

// Typing a relative size names the sizes without the "or" of the menu's first text.
void rename_open_relative_entry() {
    set_menu_item_text(MAIN_WINDOW, CMD_OPEN_RELATIVE,
                       texts().menu_open_relative + std::to_string(settings.landscape_width) + " " +
                           std::to_string(settings.portrait_height));
}

}  // namespace pixmold
