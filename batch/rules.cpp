#include "batch/rules.h"

#include <algorithm>
#include <climits>

#include "batch/intake.h"
#include "image/image.h"

namespace pixmold {

namespace {

// a * b / c with truncation; 0 when the product overflows or c is 0.
std::int64_t scaled(std::int64_t a, std::int64_t b, std::int64_t c) {
    std::int64_t product = 0;
    if (c == 0 || __builtin_mul_overflow(a, b, &product)) return 0;
    return product / c;
}

std::optional<TargetSize> size_by_mode(const BatchSettings& settings, std::int64_t width, std::int64_t height) {
    if (settings.mode == Mode::Relative) {
        TargetSize t;
        if (width > height) {
            t.width = settings.landscape_width;
            t.height = scaled(height, t.width, width);
        } else if (height > width) {
            t.height = settings.portrait_height;
            t.width = scaled(width, t.height, height);
        } else {
            t.width = settings.landscape_width;
            t.height = settings.portrait_height;
        }
        return t;
    }
    if (settings.mode == Mode::Free) return TargetSize{settings.free_width, settings.free_height};
    return std::nullopt;
}

}  // namespace

std::optional<TargetSize> compute_target_size(const BatchSettings& settings, std::int64_t width,
                                              std::int64_t height) {
    std::optional<TargetSize> target = size_by_mode(settings, width, height);
    if (target && settings.never_enlarge && width <= target->width && height <= target->height)
        target = TargetSize{width, height};
    return target;
}

bool target_is_valid(const TargetSize& target) {
    return target.width >= 1 && target.width <= MAX_IMAGE_SIDE && target.height >= 1 &&
           target.height <= MAX_IMAGE_SIDE;
}

PrefixFault prefix_fault(std::string_view prefix) {
    for (const char c : prefix) {
        if (c == '/') return PrefixFault::Separator;
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) return PrefixFault::ControlCharacter;
    }
    // The shortest output name: the prefix, one character and ".jpg".
    if (prefix.size() + 5 > NAME_MAX) return PrefixFault::TooLong;
    return PrefixFault::None;
}

PrefixFault use_default_if_refused(std::string& prefix) {
    const PrefixFault fault = prefix_fault(prefix);
    if (fault != PrefixFault::None) prefix = DEFAULT_PREFIX;
    return fault;
}

std::string effective_prefix(std::string_view prefix) { return prefix == "0" ? std::string() : std::string(prefix); }

std::string_view file_name_part(std::string_view path) {
    const std::size_t cut = path.find_last_of("/\\");
    return cut == std::string_view::npos ? path : path.substr(cut + 1);
}

namespace {

// The output's file name, whatever its length; empty for a format without one.
std::string output_name(std::string_view source, std::string_view prefix, OutputFormat format) {
    std::string_view suffix;
    if (format == OutputFormat::Jpeg)
        suffix = ".jpg";
    else if (format == OutputFormat::Png)
        suffix = ".png";
    else if (format == OutputFormat::Webp)
        suffix = ".webp";
    else
        return {};
    std::string stem = std::string(prefix) + std::string(file_name_part(source));
    const std::size_t ext = path_extension(source).size();
    // Extension plus its dot; a name without one keeps all its characters.
    if (ext > 0 || (!stem.empty() && stem.back() == '.')) stem.resize(stem.size() - std::min(stem.size(), ext + 1));
    return stem + std::string(suffix);
}

}  // namespace

std::string output_path_for(std::string_view source, std::string_view prefix, OutputFormat format) {
    if (prefix_fault(prefix) != PrefixFault::None) return {};
    const std::string name = output_name(source, prefix, format);
    if (name.empty() || name.size() > NAME_MAX) return {};
    return std::string(source.substr(0, source.size() - file_name_part(source).size())) + name;
}

std::string planned_output_path(std::string_view source, std::string_view place, const BatchSettings& settings) {
    const std::string prefix = effective_prefix(settings.prefix);
    if (settings.output_folder.empty()) return output_path_for(source, prefix, settings.format);
    std::string in_folder = settings.output_folder;
    if (in_folder.back() != '/') in_folder += '/';
    if (!place.empty()) {
        in_folder += place;
        in_folder += '/';
    }
    return output_path_for(in_folder + std::string(file_name_part(source)), prefix, settings.format);
}

bool output_name_too_long(std::string_view source, std::string_view prefix, OutputFormat format) {
    const PrefixFault fault = prefix_fault(prefix);
    if (fault != PrefixFault::None && fault != PrefixFault::TooLong) return false;
    return output_name(source, prefix, format).size() > NAME_MAX;
}

}  // namespace pixmold
