// A drop as a batch with given settings takes it: the folders it walks, the
// output folder it never reads, and the earlier outputs a re-run leaves
// aside. The window and pixmold-batch take every drop through here.
#pragma once

#include <string>
#include <vector>

#include "batch/intake.h"
#include "batch/rules.h"

namespace pixmold {

// The intake options `settings` ask for: subfolders, and the output folder
// never read as a source while walking.
DropOptions drop_options_for(const BatchSettings& settings);

// Per picture, true when it is the output this batch writes for another
// picture of the list (prefix + that picture's name + the output extension,
// where planned_output_path puts it): what an earlier run with the same
// settings left. A picture that is its own output (no prefix, the output's
// extension, beside itself) is never one. Paths are compared as the same
// file whatever their spelling; letter case counts.
std::vector<bool> outputs_of_others(const PictureList& pictures, const std::vector<std::string>& places,
                                    const BatchSettings& settings);

// take_drop with drop_options_for(settings); with skip_outputs, the
// pictures outputs_of_others finds move to earlier_outputs.
DropIntake plan_drop(const std::vector<std::string>& dropped, const BatchSettings& settings);

}  // namespace pixmold
