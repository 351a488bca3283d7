// Opening web addresses in the default browser, through one seam: when an
// opener is installed (tests do this), it gets the address instead of the
// platform, so no browser starts.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace pixmold {

// Hands `url` to the platform to open in the default browser. False when
// the platform refused it (no browser, no opener program). Returns at once;
// the browser starts on its own.
bool open_url(const std::string& url);

using UrlOpener = std::function<bool(const std::string& url)>;
// Installs (or, with an empty function, removes) the opener.
void set_url_opener(UrlOpener opener);

// Records every address opened while it exists, for tests; `opens` says
// what open_url reports.
class RecordedUrls {
public:
    explicit RecordedUrls(bool opens = true);
    ~RecordedUrls();
    RecordedUrls(const RecordedUrls&) = delete;
    RecordedUrls& operator=(const RecordedUrls&) = delete;

    const std::vector<std::string>& urls() const { return urls_; }

private:
    std::vector<std::string> urls_;
};

}  // namespace pixmold
