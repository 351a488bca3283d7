#include "batch/texts.h"

#include "core/texts.h"
#include "batch/rules.h"

namespace pixmold {

namespace {
// The batch needs only the language-dependent status texts; the screen
// numbers and product name of the full table play no part in them.
const InterfaceTexts& table_for(Language language) {
    static const InterfaceTexts french = make_interface_texts(Language::French, ScreenNumbers{}, "", "");
    static const InterfaceTexts english = make_interface_texts(Language::English, ScreenNumbers{}, "", "");
    return interface_language(language) == Language::French ? french : english;
}

const std::string& reason_words(const InterfaceTexts& t, FailReason reason) {
    switch (reason) {
    case FailReason::Unreadable: return t.batch_why_unreadable;
    case FailReason::Unresizable: return t.batch_why_unresizable;
    case FailReason::DiskFull: return t.batch_why_disk_full;
    case FailReason::NoPermission: return t.batch_why_no_permission;
    case FailReason::ReadOnly: return t.batch_why_read_only;
    case FailReason::Stopped: return t.batch_why_stopped;
    case FailReason::NameTooLong: return t.batch_why_name_too_long;
    case FailReason::SameOutput: return t.batch_why_same_output;
    case FailReason::None:
    case FailReason::Unwritable: break;
    }
    return t.batch_why_unwritable;
}

}  // namespace

std::string prefix_fault_text(Language language, PrefixFault fault) {
    const InterfaceTexts& t = table_for(language);
    switch (fault) {
    case PrefixFault::Separator: return t.prefix_has_separator;
    case PrefixFault::ControlCharacter: return t.prefix_has_control_character;
    case PrefixFault::TooLong: return t.prefix_too_long;
    case PrefixFault::None: break;
    }
    return {};
}

namespace {

// " (2 échec(s))", " (3 ignoré(s))", " (2 échec(s), 3 ignoré(s))", or nothing.
std::string counts_in_brackets(const InterfaceTexts& t, std::int64_t failed, std::int64_t left_aside) {
    std::string text;
    if (failed > 0) {
        text += std::to_string(failed);
        text += t.batch_failed;
    }
    if (left_aside > 0) {
        if (!text.empty()) text += ", ";
        text += std::to_string(left_aside);
        text += t.batch_left_aside;
    }
    return text.empty() ? text : " (" + text + ")";
}
}  // namespace

std::string batch_status_text(std::int64_t remaining, std::int64_t total, std::string_view output_path) {
    std::string_view name = file_name_part(output_path);
    name = name.size() > 3 ? name.substr(3) : std::string_view();
    return std::to_string(remaining) + "/" + std::to_string(total) + " - " + std::string(name);
}

std::string batch_finished_text(Language language, std::int64_t processed, std::int64_t failed,
                                std::int64_t left_aside) {
    const InterfaceTexts& t = table_for(language);
    return t.batch_finished + std::to_string(processed) + t.batch_finished_tail + counts_in_brackets(t, failed, left_aside);
}

std::string batch_stopped_text(Language language, std::int64_t done, std::int64_t total, std::int64_t left_aside) {
    const InterfaceTexts& t = table_for(language);
    return t.batch_stopped + std::to_string(done) + "/" + std::to_string(total) + t.batch_stopped_tail +
           counts_in_brackets(t, 0, left_aside);
}

std::string batch_no_picture_text(Language language, std::int64_t left_aside) {
    const InterfaceTexts& t = table_for(language);
    std::string text = t.batch_no_picture;
    text += std::to_string(left_aside);
    text += t.batch_files_left_aside;
    return text;
}

std::string batch_busy_text(Language language) { return table_for(language).batch_busy; }

std::string batch_not_processed_heading(Language language) {
    return table_for(language).batch_not_processed;
}

std::string fail_reason_text(Language language, FailReason reason) {
    return reason == FailReason::None ? std::string() : reason_words(table_for(language), reason);
}

std::string failed_picture_line(Language language, std::string_view name, FailReason reason) {
    if (reason == FailReason::None) return std::string(name);
    return std::string(name) + " (" + fail_reason_text(language, reason) + ")";
}

}  // namespace pixmold
