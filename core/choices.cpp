#include "core/choices.h"

namespace pixmold {

Mode mode_from_word(std::string_view word) {
    if (word == "REL") return Mode::Relative;
    if (word == "LIB") return Mode::Free;
    return Mode::Other;
}

OutputFormat format_from_word(std::string_view word) {
    if (word == "JPG") return OutputFormat::Jpeg;
    if (word == "PNG") return OutputFormat::Png;
    if (word == "WEBP") return OutputFormat::Webp;
    return OutputFormat::Other;
}

Language language_from_word(std::string_view word) {
    if (word == "FR") return Language::French;
    if (word == "UK") return Language::English;
    return Language::Other;
}

std::string_view word_for(Mode mode) {
    switch (mode) {
    case Mode::Relative: return "REL";
    case Mode::Free: return "LIB";
    case Mode::Other: break;
    }
    return {};
}

std::string_view word_for(OutputFormat format) {
    switch (format) {
    case OutputFormat::Jpeg: return "JPG";
    case OutputFormat::Png: return "PNG";
    case OutputFormat::Webp: return "WEBP";
    case OutputFormat::Other: break;
    }
    return {};
}

std::string_view word_for(Language language) {
    switch (language) {
    case Language::French: return "FR";
    case Language::English: return "UK";
    case Language::Other: break;
    }
    return {};
}

}  // namespace pixmold
