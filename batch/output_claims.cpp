#include "batch/output_claims.h"

#include <map>
#include <set>
#include <string_view>
#include <utility>

namespace pixmold {

std::vector<OutputClaim> claim_outputs(const std::vector<PlannedOutput>& entries) {
    std::vector<OutputClaim> claims(entries.size(), OutputClaim::Writes);
    // Views of the entries' own paths: a long batch is not copied again.
    std::set<std::pair<std::string_view, std::string_view>> seen;
    std::map<std::string_view, std::size_t> writer;  // output -> the entry that writes it
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const PlannedOutput& e = entries[i];
        if (!seen.emplace(e.source, e.output).second) {
            claims[i] = OutputClaim::Repeats;
            continue;
        }
        if (e.output.empty()) continue;
        const auto [at, first] = writer.emplace(e.output, i);
        // Two distinct entries cannot both be their own output's source.
        if (!first && e.source == e.output) at->second = i;
    }
    for (std::size_t i = 0; i < entries.size(); ++i) {
        if (claims[i] == OutputClaim::Repeats || entries[i].output.empty()) continue;
        if (writer.at(entries[i].output) != i) claims[i] = OutputClaim::Yields;
    }
    return claims;
}

}  // namespace pixmold
