// Shows the outcome of a full settings save in the status line and the
// information panel of the main window.
#pragma once

namespace pixmold {

inline constexpr int STATUS_LINE_WIDGET = 117;
inline constexpr int INFO_PANEL_WIDGET = 80;

void report_settings_save(bool saved);
// Says in the status line that changes cannot be saved.
void report_settings_unsaved();
// Makes save_all_settings report through report_settings_save, and the
// unsaved notice through report_settings_unsaved.
void install_settings_report();

}  // namespace pixmold
