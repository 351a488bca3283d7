// Text for the drawing layer: glyph coverage from Qt's font engine into an
// 8-bit mask, composited into the target's memory in the front colour.
#include "image/text.h"

#include <QCoreApplication>
#include <QFont>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QString>
#include <algorithm>

#include "image/draw_internal.h"

namespace pixmold {

namespace {

bool fonts_available() { return qobject_cast<QGuiApplication*>(QCoreApplication::instance()) != nullptr; }

QFont font_of(const draw::DrawingSurface* s) {
    QFont font;
    if (!s || !s->font) return font;
    const FontSpec& wanted = *s->font;
    if (!wanted.face.empty()) font.setFamily(QString::fromStdString(wanted.face));
    if (wanted.pixel_size > 0)
        font.setPixelSize(wanted.pixel_size);
    else if (wanted.points > 0)
        font.setPointSizeF(wanted.points);
    font.setBold(wanted.bold);
    font.setItalic(wanted.italic);
    return font;
}

}  // namespace

int text_width(const std::string& text) {
    if (text.empty() || !fonts_available()) return 0;
    return QFontMetrics(font_of(draw::current_surface())).horizontalAdvance(QString::fromUtf8(text));
}

int text_height(const std::string& text) {
    (void)text;  // one line: the font's line height whatever the letters
    if (!fonts_available()) return 0;
    return QFontMetrics(font_of(draw::current_surface())).height();
}

int draw_text(int x, int y, const std::string& text, Colour front) {
    return draw_text(x, y, text, front, Colour(0xFF000000u));
}

int draw_text(int x, int y, const std::string& text, Colour front, Colour back) {
    draw::DrawingSurface* s = draw::current_surface();
    if (!s || text.empty() || !fonts_available()) return x;
    const QFont font = font_of(s);
    const QFontMetrics metrics(font);
    const QString string = QString::fromUtf8(text);
    const int width = metrics.horizontalAdvance(string);
    const int height = metrics.height();
    if (width <= 0 || height <= 0) return x + std::max(width, 0);

    const int left = x + s->origin_x, top = y + s->origin_y;
    const int x0 = std::max(left, 0), x1 = std::min(left + width, s->width);
    const int y0 = std::max(top, 0), y1 = std::min(top + height, s->height);
    if (x0 >= x1 || y0 >= y1) return x + width;

    if (!(s->mode & DRAW_TRANSPARENT_TEXT) && back >= 0) {
        s->back_colour = back;
        s->prepare(back);
        for (int row = y0; row < y1; ++row) {
            std::uint8_t* p = s->at(x0, row);
            for (int col = x0; col < x1; ++col, p += s->bytes_per_pixel) draw::write_pixel(*s, p);
        }
    }

    // Coverage of the whole cell; glyph parts beyond the cell are cut.
    QImage mask(width, height, QImage::Format_Alpha8);
    if (mask.isNull()) return x + width;
    mask.fill(0);
    {
        QPainter painter(&mask);
        painter.setRenderHint(QPainter::TextAntialiasing, true);
        painter.setFont(font);
        painter.setPen(QColor(0, 0, 0, 255));
        painter.drawText(0, metrics.ascent(), string);
    }

    s->prepare(front);
    const int weight = (s->mode & DRAW_ALPHA_BLEND) ? s->a : 255;
    for (int row = y0; row < y1; ++row) {
        const uchar* coverage = mask.constScanLine(row - top) + (x0 - left);
        std::uint8_t* p = s->at(x0, row);
        for (int col = x0; col < x1; ++col, ++coverage, p += s->bytes_per_pixel) {
            if (*coverage == 0) continue;
            draw::blend_pixel(p, s->r, s->g, s->b, *coverage * weight / 255);
        }
    }
    return x + width;
}

}  // namespace pixmold
