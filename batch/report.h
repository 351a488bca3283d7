// The per-picture report of pixmold-batch (--report): JSON Lines, one object
// per line and per entry of the run, written as each picture ends, so that a
// run killed halfway keeps what it did and several runs can share one file.
//
//   {"source":"in/a.jpg","output":"in/prefix_a.jpg","status":"written","reason":null,
//    "width":1920,"height":1280,"milliseconds":41}
//
// status: "written", "failed" or "left-aside" (not a picture, or an earlier
// output; nothing was tried). reason: null when written, else one of the words of
// report_reason_word. output: the file written or that would have been,
// null when there is none. width and height: the output's, null when
// nothing was written.
//
// Paths are bytes: valid UTF-8 is kept, and every byte that is not part of
// valid UTF-8 is written as the escape \udcXX of its value XX (the
// "surrogateescape" of Python, whose os.fsencode gives the bytes back). The
// text is thus always valid JSON whatever the names hold.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "batch/failure.h"

namespace pixmold {

enum class ReportStatus { Written, Failed, LeftAside };

struct ReportEntry {
    std::string_view source;
    std::string_view output;  // empty: none
    ReportStatus status = ReportStatus::Failed;
    FailReason reason = FailReason::None;
    std::int64_t width = 0;
    std::int64_t height = 0;
    std::int64_t milliseconds = 0;
};

// `bytes` as a JSON string, quotes included.
std::string json_string(std::string_view bytes);

// A failure's word in the report: "unreadable", "unresizable", "disk-full",
// "no-permission", "read-only", "name-too-long", "same-output",
// "unwritable", "stopped"; for an entry left aside "not-a-picture", or
// "output-of-another" (reason SameOutput) for a file that is the output
// this run writes for another of its pictures.
std::string_view report_reason_word(ReportStatus status, FailReason reason);

// One line of the report, its line feed included.
std::string report_line(const ReportEntry& entry);

// The report file. Opened for appending (created with the usual
// permissions when missing); "-" is the standard output. Every line goes to
// the file in one write, so lines of several processes appending to one
// local file never mix.
class ReportFile {
public:
    ReportFile() = default;
    ~ReportFile();
    ReportFile(const ReportFile&) = delete;
    ReportFile& operator=(const ReportFile&) = delete;

    // False with error() set when the file cannot be opened.
    bool open(const std::string& path);
    // Writes one entry; after the first failure nothing more is written.
    void add(const ReportEntry& entry);
    // The errno of the first failure, 0 while all went well.
    int error() const { return error_; }

private:
    int fd_ = -1;
    bool own_ = false;
    int error_ = 0;
};

}  // namespace pixmold
