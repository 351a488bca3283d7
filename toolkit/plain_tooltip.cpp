#include "toolkit/plain_tooltip.h"

#include "toolkit/toolkit_internal.h"

namespace pixmold {

void set_plain_tooltip(int widget, const std::string& text) {
    detail::WidgetRecord* record = detail::find_record(widget);
    if (!record || !record->widget) return;
    // Escaped so that "&" and "<" show as typed; tooltip_text reports it.
    const QString html = QString::fromStdString(text).toHtmlEscaped();
    record->tooltip = html.toStdString();
    record->widget->setToolTip(html);
}

}  // namespace pixmold
