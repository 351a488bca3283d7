// The editor's own messages that read the same in both languages; the
// translated ones are in the interface text table (core/texts.h).
#pragma once

namespace pixmold::fx_messages {

inline constexpr const char* LOAD_PICTURE = "Chargez une image";
inline constexpr const char* APPLY_AN_EFFECT = "Appliquez un effet";
inline constexpr const char* CANCELLED = "Annulé !";
inline constexpr const char* DISABLED = "desactivé";
inline constexpr const char* EFFECT_CANCELLED = "Effet annulé";
inline constexpr const char* PICTURE_SAVED = "Image Sauvée";
inline constexpr const char* VALIDATE_EFFECT_FIRST = "Validez d'abord l'effet";
inline constexpr const char* CROP_MODE = "Mode Recadrage";
inline constexpr const char* CROP_ON = "Recadrage  activé";
inline constexpr const char* CHOOSE_AN_EFFECT = "Choissiez un effet";
inline constexpr const char* CROP_SWITCHED_ON = "Le recadrage  est activé";
inline constexpr const char* CROP_SWITCHED_OFF = "Le recadrage  est désactivé";
inline constexpr const char* FRAME_SIZE = "Taille réel du cadre : ";
inline constexpr const char* FRAME_WITHOUT_PREVIEW = "Cadre sélectionné (pas d'aperçu)";
inline constexpr const char* INFO = "Info";
inline constexpr const char* WEBCAM_CAPTURE = "Capture Webcam";
inline constexpr const char* WEBCAM_SWITCHED_ON = "La webcam est activée";
inline constexpr const char* WEBCAM_SWITCHED_OFF = "La webcam est désactivée";
inline constexpr const char* WEBCAM_PICTURE_TAKEN = "Photo capturée";

inline constexpr const char* OPEN_TITLE = "Charger une image";
// The open dialog's one filter: this name, then every kind of picture taken
// (core/picture_types.h).
inline constexpr const char* OPEN_FILTER_NAME = "Fichier Image";
inline constexpr const char* SAVE_PATTERNS = "Images (*.jpg)|*.jpg|Images (*.png)|*.png";

}  // namespace pixmold::fx_messages
