#include "batch/drop_plan.h"

#include <map>

#include "batch/schedule.h"

namespace pixmold {

DropOptions drop_options_for(const BatchSettings& settings) {
    DropOptions options;
    options.subfolders = settings.subfolders;
    options.skip_folder = settings.output_folder;
    return options;
}

std::vector<bool> outputs_of_others(const PictureList& pictures, const std::vector<std::string>& places,
                                    const BatchSettings& settings) {
    std::vector<std::string> sources;
    std::vector<bool> own_output;
    std::multimap<std::string, std::size_t> written_by;  // output -> the pictures that write it
    for (std::size_t i = 0; i < pictures.size(); ++i) {
        sources.push_back(normalised_path(pictures[i]));
        const std::string output =
            planned_output_path(pictures[i], i < places.size() ? places[i] : std::string(), settings);
        const std::string normal = output.empty() ? std::string() : normalised_path(output);
        own_output.push_back(normal == sources.back());
        if (!normal.empty()) written_by.emplace(normal, i);
    }
    std::vector<bool> aside(pictures.size(), false);
    for (std::size_t i = 0; i < pictures.size(); ++i) {
        if (own_output[i]) continue;
        const auto [first, last] = written_by.equal_range(sources[i]);
        for (auto it = first; it != last && !aside[i]; ++it) aside[i] = sources[it->second] != sources[i];
    }
    return aside;
}

DropIntake plan_drop(const std::vector<std::string>& dropped, const BatchSettings& settings) {
    DropIntake taken = take_drop(dropped, drop_options_for(settings));
    if (!settings.skip_outputs) return taken;
    const std::vector<bool> aside = outputs_of_others(taken.pictures, taken.places, settings);
    DropIntake kept;
    kept.left_aside = std::move(taken.left_aside);
    for (std::size_t i = 0; i < aside.size(); ++i) {
        if (aside[i]) {
            kept.earlier_outputs.push_back(std::move(taken.pictures[i]));
            continue;
        }
        kept.pictures.push_back(std::move(taken.pictures[i]));
        kept.places.push_back(std::move(taken.places[i]));
    }
    return kept;
}

}  // namespace pixmold
