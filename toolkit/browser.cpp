#include "toolkit/browser.h"

#include <QDesktopServices>
#include <QGuiApplication>
#include <QUrl>

#include <utility>

namespace pixmold {
namespace {

UrlOpener& opener() {
    static UrlOpener installed;
    return installed;
}

}  // namespace

bool open_url(const std::string& url) {
    if (opener()) return opener()(url);
    if (!QGuiApplication::instance()) return false;
    return QDesktopServices::openUrl(QUrl(QString::fromStdString(url)));
}

void set_url_opener(UrlOpener replacement) { opener() = std::move(replacement); }

RecordedUrls::RecordedUrls(bool opens) {
    set_url_opener([this, opens](const std::string& url) {
        urls_.push_back(url);
        return opens;
    });
}

RecordedUrls::~RecordedUrls() { set_url_opener({}); }

}  // namespace pixmold
