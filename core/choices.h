// The three choices the settings file stores as words: the sizing mode, the
// output format and the interface language. Words are read into these enums
// once, where the file is read, and turned back into the same words where it
// is written; everything in between works with the enums.
//
// Words compare exactly ("rel" and "REL " are not "REL"). A word that names
// no choice reads as Other: the batch then has no size (Mode) or no output
// name (OutputFormat) for any picture, and the interface is in English
// (Language).
#pragma once

#include <string_view>

namespace pixmold {

enum class Mode { Relative, Free, Other };          // "REL", "LIB"
enum class OutputFormat { Jpeg, Png, Webp, Other };  // "JPG", "PNG", "WEBP"
enum class Language { French, English, Other };     // "FR", "UK"

Mode mode_from_word(std::string_view word);
OutputFormat format_from_word(std::string_view word);
Language language_from_word(std::string_view word);

// The word for a choice; empty for Other, whose word only the file knows.
std::string_view word_for(Mode mode);
std::string_view word_for(OutputFormat format);
std::string_view word_for(Language language);

// Whether the quality 0..10 applies to a format (lossy formats only).
inline bool format_has_quality(OutputFormat format) {
    return format == OutputFormat::Jpeg || format == OutputFormat::Webp;
}

// The language the interface texts are in: French for French, English for
// everything else.
inline Language interface_language(Language language) {
    return language == Language::French ? Language::French : Language::English;
}

}  // namespace pixmold
