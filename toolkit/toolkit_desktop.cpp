// Desktop metrics, engine pictures as Qt images, font files.
#include <QFontDatabase>
#include <QGuiApplication>
#include <QScreen>

#include "toolkit/toolkit_internal.h"

namespace pixmold {
namespace detail {

QImage picture_image(ImageHandle handle) {
    if (!handle) return {};
    const PixelRef view = handle_pixels(handle);
    if (!view || view.width <= 0 || view.height <= 0) return {};
    QImage::Format format = view.depth == 32 ? QImage::Format_ARGB32 : QImage::Format_BGR888;
    if (view.depth != 24 && view.depth != 32) return {};
    QImage shared(view.pixels, view.width, view.height, view.stride, format);
    return shared.mirrored(false, true);  // engine rows are bottom-up; this also copies
}

}  // namespace detail

namespace {
QScreen* primary() { return QGuiApplication::instance() ? QGuiApplication::primaryScreen() : nullptr; }
}  // namespace

int desktop_width() { return primary() ? primary()->geometry().width() : 0; }
int desktop_height() { return primary() ? primary()->geometry().height() : 0; }
int desktop_available_x() { return primary() ? primary()->availableGeometry().x() : 0; }
int desktop_available_y() { return primary() ? primary()->availableGeometry().y() : 0; }
int desktop_available_width() { return primary() ? primary()->availableGeometry().width() : 0; }
int desktop_available_height() { return primary() ? primary()->availableGeometry().height() : 0; }
int screen_dpi_x() { return primary() ? qRound(primary()->logicalDotsPerInchX()) : 96; }
int screen_dpi_y() { return primary() ? qRound(primary()->logicalDotsPerInchY()) : 96; }

int os_version() { return 110; }

bool register_font_file(const std::string& path) {
    if (!QGuiApplication::instance()) return false;
    return QFontDatabase::addApplicationFont(QString::fromStdString(path)) != -1;
}

}  // namespace pixmold
