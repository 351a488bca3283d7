#include "update/version.h"

namespace pixmold {
namespace {

bool is_white(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f'; }
bool is_digit(char c) { return c >= '0' && c <= '9'; }

// The next field of `text` from `pos` (moved past it and its dot), without
// leading zeros; "" stands for 0, also once the text has run out.
std::string_view next_field(std::string_view text, std::size_t& pos) {
    if (pos >= text.size()) return {};
    std::size_t end = text.find('.', pos);
    if (end == std::string_view::npos) end = text.size();
    std::string_view field = text.substr(pos, end - pos);
    pos = end + 1;
    while (!field.empty() && field.front() == '0') field.remove_prefix(1);
    return field;
}

}  // namespace

std::string trim_white_space(std::string_view text) {
    while (!text.empty() && is_white(text.front())) text.remove_prefix(1);
    while (!text.empty() && is_white(text.back())) text.remove_suffix(1);
    return std::string(text);
}

bool is_version(std::string_view text) {
    bool field_has_digit = false;
    for (char c : text) {
        if (is_digit(c)) {
            field_has_digit = true;
        } else if (c == '.' && field_has_digit) {
            field_has_digit = false;
        } else {
            return false;
        }
    }
    return field_has_digit;
}

int compare_versions(std::string_view a, std::string_view b) {
    std::size_t pa = 0, pb = 0;
    while (pa < a.size() || pb < b.size()) {
        std::string_view fa = next_field(a, pa);
        std::string_view fb = next_field(b, pb);
        // Without leading zeros, a longer field is a larger number.
        if (fa.size() != fb.size()) return fa.size() < fb.size() ? -1 : 1;
        if (int c = fa.compare(fb); c != 0) return c < 0 ? -1 : 1;
    }
    return 0;
}

}  // namespace pixmold
