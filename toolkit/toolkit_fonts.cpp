// Fonts by number and text measurement.
#include <QApplication>
#include <QFontInfo>
#include <QFontMetrics>

#include "toolkit/toolkit_internal.h"

namespace pixmold {
namespace detail {

QFont font_or_default(int number) {
    auto it = state().fonts.find(number);
    if (it != state().fonts.end()) return it->second;
    return QApplication::font();
}

void clear_fonts() {
    state().fonts.clear();
    state().default_widget_font.reset();
}

}  // namespace detail

using namespace detail;

bool load_font(int number, const std::string& face, double points, int flags) {
    if (!state().app || points <= 0) return false;
    QFont font(QString::fromStdString(face));
    font.setPointSizeF(points);
    font.setBold(flags & FONT_BOLD);
    font.setItalic(flags & FONT_ITALIC);
    // "... Black" faces are the heaviest weight of their family.
    if (QString::fromStdString(face).endsWith(" black", Qt::CaseInsensitive)) font.setWeight(QFont::Black);
    font.setStyleStrategy((flags & FONT_HIGH_QUALITY) ? QFont::PreferQuality : QFont::PreferDefault);
    state().fonts[number] = font;
    return true;
}

bool font_exists(int number) { return state().fonts.count(number) != 0; }

void set_font(int widget, int font) {
    if (widget == DEFAULT_FONT) {
        if (font == DEFAULT_FONT || !font_exists(font))
            state().default_widget_font.reset();
        else
            state().default_widget_font = state().fonts[font];
        return;
    }
    if (QWidget* w = find_widget(widget)) w->setFont(font_or_default(font));
}

int text_width(int font, const std::string& text) {
    if (!state().app) return 0;
    return QFontMetrics(font_or_default(font)).horizontalAdvance(QString::fromStdString(text));
}

int text_height(int font) {
    if (!state().app) return 0;
    return QFontMetrics(font_or_default(font)).height();
}

std::string font_face(int font) {
    if (!state().app) return {};
    return QFontInfo(font_or_default(font)).family().toStdString();
}

int font_pixel_size(int font) {
    if (!state().app) return 0;
    return QFontInfo(font_or_default(font)).pixelSize();
}

}  // namespace pixmold
