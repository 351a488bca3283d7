#include "app/startup.h"

#include <unistd.h>

#include <cstdio>
#include <string>

#include "app/artwork.h"
#include "app/click_sound.h"
#include "app/event_loop.h"
#include "app/main_window.h"
#include "app/online.h"
#include "core/settings.h"
#include "app/settings_report.h"
#include "app/shell_state.h"
#include "app/shutdown.h"
#include "app/signals.h"
#include "app/single_instance.h"
#include "core/texts.h"
#include "image/codec.h"
#include "image/image.h"
#include "runtime/toolkit.h"

namespace pixmold {
namespace {

std::string working_directory() {
    std::string buffer(4096, '\0');
    while (!::getcwd(buffer.data(), buffer.size())) {
        if (buffer.size() > (1u << 20)) return ".";
        buffer.resize(buffer.size() * 2);
    }
    buffer.resize(buffer.find('\0'));
    return buffer;
}

std::string in_folder(const std::string& folder, const char* name) {
    return folder.back() == '/' ? folder + name : folder + "/" + name;
}

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

int run_program() {
    // 1. Services: toolkit, image engine with its codecs in decoder order, network.
    if (!init_toolkit()) {
        std::fprintf(stderr, "pixmold: no display available\n");
        return 1;
    }
    install_close_signals();
    init_image_engine();
    register_all_codecs();
    start_online();

    // 2-3. Names and paths; the working directory is where the program was started.
    shell.product_name = "Pixmold ";
    shell.version = " 1.7.0";
    const std::string folder = working_directory();
    shell.settings_path = in_folder(folder, "pref.vrn");

    // 5-6. Font file (result ignored) and the six fonts.
    register_font_file(in_folder(folder, "Stassi.otf"));
    shell.dpi = screen_dpi_x();
    create_interface_fonts(shell.dpi);

    // 7. Pictures carried inside the program.
    decode_embedded_pictures();

    // 8. Sound; a machine without it runs silently.
    shell.sound_available = start_click_sound() ? 1 : 0;

    // 9. One copy per version: a second one ends here, showing nothing.
    if (claim_single_instance(shell.product_name + shell.version, shell.instance_lock) ==
        InstanceCheck::AnotherRuns) {
        release_resources();
        return 0;
    }

    // 10-12. Desktop size, settings, texts.
    shell.screen_width = desktop_width();
    shell.screen_height = desktop_height();
    shell.usable_height = desktop_available_height();
    load_settings(shell.settings_path, shell.screen_width, shell.screen_height);
    load_interface_texts(settings.LNG.get(), {shell.screen_width, shell.screen_height, shell.screen_width},
                         shell.product_name, shell.version);
    install_settings_report();

    // 13-15. Window, then the loop until the main window closes.
    build_main_window();
    run_event_loop();
    shutdown_program();
    return 0;
}

}  // namespace pixmold
