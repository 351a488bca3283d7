// The texts the batch puts into the status line, in the interface language
// (French, anything else English, as the text table does).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "batch/failure.h"
#include "batch/rules.h"
#include "core/choices.h"

namespace pixmold {

// remaining + "/" + total + " - " + the output's file name from its fourth
// character on ("5/12 - fix_photo.jpg" for "prefix_photo.jpg").
std::string batch_status_text(std::int64_t remaining, std::int64_t total, std::string_view output_path);

// "Terminé ! N image(s) traitée(s)." / "Finish ! N pictures were processed..",
// followed by " (F échec(s))" / " (F failed)" when F > 0, or by
// " (L ignoré(s))" / " (L left aside)" for the L files of the drop that are
// not pictures, or by both in one pair of brackets.
std::string batch_finished_text(Language language, std::int64_t processed, std::int64_t failed,
                                std::int64_t left_aside = 0);

// "Arrêt : done/total images traitées !" / "Stop : done/total images traitées !",
// followed by " (L ignoré(s))" / " (L left aside)" when L > 0.
std::string batch_stopped_text(Language language, std::int64_t done, std::int64_t total, std::int64_t left_aside = 0);

// A drop without a picture but with L other files: "Aucune image : L
// fichier(s) ignoré(s)" / "No picture: L file(s) left aside".
std::string batch_no_picture_text(Language language, std::int64_t left_aside);

// Shown when a drop arrives while a batch runs.
std::string batch_busy_text(Language language);

// Heading of the list of pictures that could not be processed.
std::string batch_not_processed_heading(Language language);

// Why a prefix is refused, in a few words ("" for None).
std::string prefix_fault_text(Language language, PrefixFault fault);

// Why a picture was not processed, in a few words ("" for None).
std::string fail_reason_text(Language language, FailReason reason);

// A picture that was not processed as the lists give it: its name, then why
// in a few words, "photo.jpg (cannot be read: not a picture, or damaged)".
std::string failed_picture_line(Language language, std::string_view name, FailReason reason);

}  // namespace pixmold
