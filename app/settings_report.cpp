#include "app/settings_report.h"

#include "app/window_settings.h"
#include "core/texts.h"
#include "toolkit/toolkit.h"

namespace pixmold {

void report_settings_save(bool saved) {
    if (saved) {
        set_text(STATUS_LINE_WIDGET, texts().setting_saved);
        return;
    }
    set_text(STATUS_LINE_WIDGET, texts().save_failed_title);
    set_text(INFO_PANEL_WIDGET, texts().save_failed_text);
}

void report_settings_unsaved() { set_text(STATUS_LINE_WIDGET, texts().settings_not_saved); }

void install_settings_report() {
    set_save_reporter(report_settings_save);
    set_unsaved_notice(report_settings_unsaved);
}

}  // namespace pixmold
