// Which entries of a batch write their output when several of them would
// write the same file: without this, the last to finish would replace the
// others' results (and, where the file is a source of the batch, the
// original itself).
#pragma once

#include <string>
#include <vector>

namespace pixmold {

// One entry of a batch as the claims see it. Paths are compared exactly as
// given, so the caller spells each file one way only (normalised_path in
// batch/schedule.h); files whose names differ only in letter case are
// different files.
struct PlannedOutput {
    std::string source;
    std::string output;  // empty: the entry has no output name (it fails on its own)
};

enum class OutputClaim {
    Writes,   // the entry goes on to write its output (or fails on its own)
    Repeats,  // the same source and output as an earlier entry: nothing more to do
    Yields,   // another entry writes this output: this one is not written
};

// One claim per entry, in the entries' order. Among the entries that would
// write the same output (repeats aside), the one whose source is that very
// file (no prefix, and the output's extension) writes it, else the first in
// the list; every other one yields. Entries without an output never clash.
// The same entries always give the same claims.
std::vector<OutputClaim> claim_outputs(const std::vector<PlannedOutput>& entries);

}  // namespace pixmold
