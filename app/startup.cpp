#include "app/startup.h"

#include <cstdio>
#include <string>

#include "app/artwork.h"
#include "app/batch_start.h"
#include "app/click_sound.h"
#include "app/command_line.h"
#include "app/event_loop.h"
#include "app/main_window.h"
#include "app/online.h"
#include "app/settings_place.h"
#include "app/settings_report.h"
#include "app/shell_state.h"
#include "app/shutdown.h"
#include "app/signals.h"
#include "app/single_instance.h"
#include "app/window_settings.h"
#include "core/locale_language.h"
#include "core/texts.h"
#include "image/codec.h"
#include "image/image.h"
#include "toolkit/dialogs.h"
#include "toolkit/instance_channel.h"
#include "toolkit/toolkit.h"

namespace pixmold {
namespace {

std::string in_folder(const std::string& folder, const char* name) {
    return folder.back() == '/' ? folder + name : folder + "/" + name;
}

// How long a later start tries to reach the running copy.
constexpr int HAND_OVER_PATIENCE_MS = 5000;

}  // namespace

void create_interface_fonts(int dpi) {
    if (dpi <= 0) dpi = 96;
    auto points = [dpi](double pt) { return pt * 96.0 / dpi; };
    load_font(FONT_ARIAL_BLACK_10, "Arial black", points(10), FONT_HIGH_QUALITY);
    load_font(FONT_SANS_7, "Microsoft Sans Serif", points(7), FONT_HIGH_QUALITY);
    load_font(FONT_SANS_8, "Microsoft Sans Serif", points(8), FONT_HIGH_QUALITY);
    load_font(FONT_SANS_9, "Microsoft Sans Serif", points(9), FONT_HIGH_QUALITY);
    load_font(FONT_SANS_10, "Microsoft Sans Serif", points(10), FONT_HIGH_QUALITY);
    load_font(FONT_SANS_12_ITALIC, "Microsoft Sans Serif", points(12), FONT_HIGH_QUALITY | FONT_ITALIC);
    shell.ui_fonts = {FONT_ARIAL_BLACK_10, FONT_SANS_7,  FONT_SANS_8,
                      FONT_SANS_9,         FONT_SANS_10, FONT_SANS_12_ITALIC};
}

int run_program(int argc, char** argv) {
    // The desktop's option first, so that nothing after takes it for a file.
    const bool from_menu = take_menu_option(argc, argv);
    // Services: toolkit (which takes its own options out of the command
    // line), image engine with its codecs in decoder order, network.
    if (!init_toolkit(argc, argv)) {
        std::fprintf(stderr, "pixmold: no display available\n");
        return 1;
    }
    const OpenedPaths opened = paths_from_arguments(argc, argv);
    for (const std::string& arg : opened.ignored) std::fprintf(stderr, "pixmold: ignoring \"%s\"\n", arg.c_str());
    install_close_signals();
    init_image_engine();
    register_all_codecs();
    start_online();

    // Names and paths; the settings live in the folder the program was
    // started from, or in the user's configuration folder when the desktop
    // started it.
    shell.product_name = "Pixmold ";
    const std::string folder = settings_folder(from_menu);
    shell.settings_path = in_folder(folder, "pref.vrn");

    // The font file beside the settings (the program runs without it) and the six fonts.
    register_font_file(in_folder(folder, "Stassi.otf"));
    shell.dpi = screen_dpi_x();
    create_interface_fonts(shell.dpi);

    // Pictures carried inside the program.
    decode_embedded_pictures();

    // Sound; a machine without it runs silently.
    shell.sound_available = start_click_sound() ? 1 : 0;

    // One copy per version: a later start hands its files to the running
    // one, which comes forward, and ends here, showing nothing.
    const std::string instance = shell.product_name + shell.version;
    switch (claim_or_hand_over(instance, opened.paths, shell.instance_lock, HAND_OVER_PATIENCE_MS)) {
    case StartRole::First: break;
    case StartRole::HandedOver: release_resources(); return 0;
    case StartRole::Unanswered:
        std::fprintf(stderr, "pixmold: %s runs already but does not answer\n", instance.c_str());
        release_resources();
        return 1;
    }
    if (!listen_for_handovers(instance_socket_path(instance), MAIN_WINDOW))
        std::fprintf(stderr, "pixmold: later starts cannot hand their files to this one\n");

    // Desktop size, then the settings (whose default sizes are the
    // desktop's) and the texts in their language.
    shell.screen_width = desktop_width();
    shell.screen_height = desktop_height();
    shell.usable_height = desktop_available_height();
    load_window_settings(shell.settings_path, shell.screen_width, shell.screen_height, locale_language());
    load_interface_texts(settings.language, {shell.screen_width, shell.screen_height, shell.screen_width},
                         shell.product_name, shell.version);
    use_dialog_language(settings.language == Language::French ? "fr" : "en");
    install_settings_report();

    // The window, its batch over the files it was started with, then the
    // loop until the main window closes.
    build_main_window();
    if (!opened.paths.empty()) batch_open(drop_text(opened.paths));
    run_event_loop();
    shutdown_program();
    return 0;
}

}  // namespace pixmold
