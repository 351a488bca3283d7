// Where the product's web site is: the address the visit entry opens and
// under which the published version text lies.
#pragma once

#include <string>

namespace pixmold {

inline constexpr const char* WEBSITE_URL = "http://pixmold.example/";
// Environment variable that replaces WEBSITE_URL (a mirror, a local server).
inline constexpr const char* SITE_VARIABLE = "PIXMOLD_SITE";

// PIXMOLD_SITE when it is set and not empty, else WEBSITE_URL.
std::string website_address();
// The published version text under `site`: site + "/maj.txt", with one slash.
std::string update_url(const std::string& site);

}  // namespace pixmold
