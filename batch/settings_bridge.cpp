#include "batch/settings_bridge.h"

namespace pixmold {

BatchSettings batch_settings_from(const Settings& s) {
    BatchSettings b;
    b.mode = s.mode;
    b.format = s.format;
    b.quality = s.quality;
    b.landscape_width = s.landscape_width;
    b.portrait_height = s.portrait_height;
    b.free_width = s.free_width;
    b.free_height = s.free_height;
    b.prefix = s.prefix;
    b.language = s.language;
    b.never_enlarge = s.never_enlarge.value_or(false);
    b.strip_location = s.strip_location.value_or(false);
    // SOUS_DOSSIERS, DOSSIER_SORTIE, IGNORER_SORTIES
    b.subfolders = s.subfolders.value_or(false);
    b.output_folder = s.output_folder.value_or(std::string());
    b.skip_outputs = s.skip_outputs.value_or(false);
    return b;
}

}  // namespace pixmold
