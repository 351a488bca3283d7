// File intake: turns a drop (one folder, or any number of paths) into the
// ordered list of pictures the resize job works through.
//
// Whether a path is a picture is decided by its extension alone; paths are
// not tested for existence or readability here.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/picture_types.h"

namespace pixmold {

using PictureList = std::vector<std::string>;

// Paths of a drop are delivered joined by one line feed, none after the last.
inline constexpr char DROP_SEPARATOR = '\n';

// The text after the last dot of the file name, scanning backwards from the
// end. Empty when a space, '/' or '\\' comes before any dot, when there is no
// dot, or when the dot starts the file name (".jpg"). A double quote ends the
// extension.
std::string path_extension(std::string_view path);

// True when "." + the lower-cased extension is one of PICTURE_TYPES
// (core/picture_types.h).
bool is_picture_path(std::string_view path);

// Splits a drop text at DROP_SEPARATOR: n separators give n + 1 fields.
std::vector<std::string> split_drop_text(std::string_view text);

// What a drop gives: its pictures, and what it held that is not one.
struct DropIntake {
    PictureList pictures;
    // Per picture, the folder it lies in relative to what was dropped, "/"
    // between names: "" for a dropped file and for the pictures of a dropped
    // folder itself, "2024/trip" below it; a folder walked among several
    // items adds its own name ("Photos/2024/trip"). Outputs keep this tree
    // in an output folder.
    std::vector<std::string> places;
    // Files of a dropped folder (of its whole tree when walking) that are
    // not pictures (folders are not counted), or the dropped paths that are
    // not (empty fields aside).
    std::vector<std::string> left_aside;
    // Pictures of the drop that are outputs this batch writes for another
    // of its pictures (batch/drop_plan.h); empty unless asked for.
    std::vector<std::string> earlier_outputs;

    // What the status line counts as left aside.
    std::int64_t left_aside_count() const { return std::int64_t(left_aside.size() + earlier_outputs.size()); }
};

// How a drop is taken beyond one folder's own files.
struct DropOptions {
    // Walk a dropped folder's subfolders, and walk the folders among several
    // dropped items too (without it those are taken only when their own name
    // ends in a picture extension). Each folder is listed in name order, its
    // files first, then its subfolders. Links to folders inside a walked
    // tree are not followed: no loop, nothing outside the tree.
    bool subfolders = false;
    // A folder never read while walking (the output folder); compared as the
    // same folder on disk, whatever its spelling. A dropped item itself is
    // always read.
    std::string skip_folder;
};

// Without options, one existing folder alone: its pictures (files only, no
// subfolders, in the file system's listing order). Anything else: the
// pictures among the paths, in order, duplicates kept; a folder among
// several items is only taken when its own name ends in an accepted
// extension. A folder that cannot be listed gives nothing.
DropIntake take_drop(const std::vector<std::string>& dropped, const DropOptions& options = {});

// The same for a drop delivered as one text.
DropIntake take_drop_text(std::string_view drop_text, const DropOptions& options = {});

// Only the pictures of take_drop and take_drop_text.
PictureList build_picture_list(const std::vector<std::string>& dropped);
PictureList build_picture_list_from_text(std::string_view drop_text);

}  // namespace pixmold
