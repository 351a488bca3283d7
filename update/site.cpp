#include "update/site.h"

#include <cstdlib>

namespace pixmold {

std::string website_address() {
    const char* site = std::getenv(SITE_VARIABLE);
    return site && *site ? site : WEBSITE_URL;
}

std::string update_url(const std::string& site) {
    std::string url = site;
    while (!url.empty() && url.back() == '/') url.pop_back();
    return url + "/maj.txt";
}

}  // namespace pixmold
