#include "batch/settings_bridge.h"

namespace pixmold {

BatchSettings batch_settings_from(const Settings& s) {
    BatchSettings b;
    b.mode = s.MODE.get();
    b.type = s.TYPE.get();
    b.quality = s.QUALITE;
    b.landscape_width = s.Taille_Paysage;
    b.portrait_height = s.Taille_Portrait;
    b.free_width = s.L;
    b.free_height = s.H;
    b.prefix = s.PREFIX.get();
    b.language = s.LNG.get();
    return b;
}

}  // namespace pixmold
