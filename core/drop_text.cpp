#include "core/drop_text.h"

namespace pixmold {

std::vector<std::string> split_drop_text(std::string_view text) {
    std::vector<std::string> fields;
    std::size_t start = 0;
    for (;;) {
        const std::size_t end = text.find(DROP_SEPARATOR, start);
        if (end == std::string_view::npos) {
            fields.emplace_back(text.substr(start));
            return fields;
        }
        fields.emplace_back(text.substr(start, end - start));
        start = end + 1;
    }
}

}  // namespace pixmold
