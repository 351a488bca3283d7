#include "batch/texts.h"

#include "batch/rules.h"

namespace pixmold {

namespace {
bool french(std::string_view language) { return language == "FR"; }
}  // namespace

std::string batch_status_text(std::int64_t remaining, std::int64_t total, std::string_view output_path) {
    std::string_view name = file_name_part(output_path);
    name = name.size() > 3 ? name.substr(3) : std::string_view();
    return std::to_string(remaining) + "/" + std::to_string(total) + " - " + std::string(name);
}

std::string batch_finished_text(std::string_view language, std::int64_t processed, std::int64_t failed) {
    std::string text = french(language) ? "Terminé ! " + std::to_string(processed) + " image(s) traitée(s)."
                                        : "Finish ! " + std::to_string(processed) + " pictures were processed..";
    if (failed > 0)
        text += french(language) ? " (" + std::to_string(failed) + " échec(s))" : " (" + std::to_string(failed) + " failed)";
    return text;
}

std::string batch_stopped_text(std::string_view language, std::int64_t done, std::int64_t total) {
    return std::string(french(language) ? "Arrêt : " : "Stop : ") + std::to_string(done) + "/" + std::to_string(total) +
           " images traitées !";
}

std::string batch_busy_text(std::string_view language) {
    return french(language) ? "Un traitement est déjà en cours" : "A batch is already running";
}

}  // namespace pixmold
