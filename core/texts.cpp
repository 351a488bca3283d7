#include "core/texts.h"

#include <initializer_list>
#include <string>

#include "core/version.h"

namespace pixmold {

namespace {

// Appends the pieces; avoids chains of temporary strings.
std::string compose(std::initializer_list<std::string> pieces) {
    std::string text;
    for (const std::string& piece : pieces) text += piece;
    return text;
}

// Texts of both languages, side by side: one row a text.
void fill_plain_texts(InterfaceTexts& t, Language language) {
    struct Row {
        std::string InterfaceTexts::*text;
        const char* french;
        const char* english;
    };
    static const Row rows[] = {
        {&InterfaceTexts::menu_project, " Projet",
         " Project"},
        {&InterfaceTexts::menu_adjust_to_desktop, " Ajuster la taille des futures images à la taille de l'ecran",
         "Adjust resolution to desktop size"},
        {&InterfaceTexts::menu_open_relative, " Ouvrir une image à redimensionner en se basant sur ",
         " Open a picture to resize using : "},
        {&InterfaceTexts::menu_or, " ou ",
         " or "},
        {&InterfaceTexts::menu_open_free, " Ouvrir une image à redimensionner en ",
         " Open a picture to resize in "},
        {&InterfaceTexts::menu_quit, "&Quitter",
         "&Exit"},
        {&InterfaceTexts::menu_help, "Aide",
         "Info"},
        {&InterfaceTexts::menu_about, "A propos du &logiciel ?",
         "&About the software ?"},
        {&InterfaceTexts::menu_how_to_resize, "Redimensionner une image",
         "How to resize a picture"},
        {&InterfaceTexts::menu_which_format, "Que choisir comme format ?",
         "Which format to choose?"},
        {&InterfaceTexts::menu_which_resolution, "Quelle résolution choisir ?",
         "Which resolution to choose?"},
        {&InterfaceTexts::menu_how_to_crop, "Recadrer une image",
         "Crop a picture"},
        {&InterfaceTexts::menu_online, " En ligne",
         " Online"},
        {&InterfaceTexts::menu_check_update, "Vérifier si une &mise à jour est disponible",
         "Check &update"},
        {&InterfaceTexts::menu_visit_website, "&Visiter le site",
         "&Visit the website"},
        {&InterfaceTexts::menu_preferences, " Préférences",
         " Préférences"},
        {&InterfaceTexts::menu_french, " Français",
         " French"},
        {&InterfaceTexts::menu_english, " English",
         " English"},
        {&InterfaceTexts::menu_never_enlarge, " Ne jamais agrandir les images",
         " Never enlarge pictures"},
        {&InterfaceTexts::menu_strip_location, " Retirer la position GPS des images",
         " Remove the GPS location from pictures"},
        {&InterfaceTexts::menu_subfolders, " Inclure les sous-dossiers",
         " Include subfolders"},
        {&InterfaceTexts::menu_choose_output_folder, " Choisir un dossier de sortie...",
         " Choose an output folder..."},
        {&InterfaceTexts::menu_output_folder_is, " Dossier de sortie : ",
         " Output folder: "},
        {&InterfaceTexts::menu_beside_sources, " Écrire à côté des originaux",
         " Write beside the originals"},
        {&InterfaceTexts::menu_skip_outputs, " Ignorer les sorties d'un traitement précédent",
         " Leave aside the outputs of an earlier run"},
        {&InterfaceTexts::output_folder_dialog_title, "Choix du dossier de sortie",
         "Choice of output folder"},
        {&InterfaceTexts::relative_mode_button, "Mode Relatif ",
         " Relative"},
        {&InterfaceTexts::free_mode_button, "Mode Libre ",
         " Free"},
        {&InterfaceTexts::mode_tip_title, "Aide",
         "Help"},
        {&InterfaceTexts::always_on_top_caption, " Fenêtre toujours visible",
         " Window always visible"},
        {&InterfaceTexts::preset_header, " + Résolution",
         " > Resolutions"},
        {&InterfaceTexts::stop_button, "Stopper",
         "Stop"},
        {&InterfaceTexts::size_title, "Taille des futurs fichiers",
         "Size of the pictures"},
        {&InterfaceTexts::landscape_label, "Largeur désirée :",
         "Width size :"},
        {&InterfaceTexts::landscape_hint, "Pour les photos en 'paysage'",
         "for 'landscape' pictures "},
        {&InterfaceTexts::portrait_label, "Hauteur désirée :",
         "Height size :"},
        {&InterfaceTexts::portrait_hint, "Pour les photos en 'portrait'",
         "for 'portrait' pictures "},
        {&InterfaceTexts::free_width_label, "Largeur",
         "Width"},
        {&InterfaceTexts::free_height_label, "Hauteur",
         "Height"},
        {&InterfaceTexts::format_title, "Choix du format de sortie",
         "Output format"},
        {&InterfaceTexts::format_label, "Format de sortie",
         "Output format"},
        {&InterfaceTexts::quality_legend, "Qualité : 0 (mauvaise) 10 (meilleure) ",
         "0 : Bad - 10 : Best"},
        {&InterfaceTexts::prefix_label, " Préfixe : ",
         " Prefix : "},
        {&InterfaceTexts::prefix_button, "Modifier le préfixe",
         "Change prefix"},
        {&InterfaceTexts::width_letter, "L",
         "W"},
        {&InterfaceTexts::height_letter, "H",
         "H"},
        {&InterfaceTexts::fx_tip_title, "Effets Spéciaux",
         "Click to open/close FX tool !"},
        {&InterfaceTexts::fx_tip_text, "Ouvrir / Fermer la fenêtre des effets spéciaux",
         "Special Effect"},
        {&InterfaceTexts::drop_invitation, "Glisser & Déposer vos photos !",
         "Drag & Drop yours pictures !"},
        {&InterfaceTexts::summary_screen, " > Résolution écran : ",
         " > Screen resolution : "},
        {&InterfaceTexts::summary_mode, "Mode : ",
         "Mode : "},
        {&InterfaceTexts::summary_relative_name, "relatif",
         "relative"},
        {&InterfaceTexts::summary_free_name, "libre",
         "free"},
        {&InterfaceTexts::summary_relative_sizes, "Les 2 tailles (larg/haut) sélectionnées sont : ",
         "Scaling based on the "},
        {&InterfaceTexts::summary_relative_size, "Taille : ",
         "Size : "},
        {&InterfaceTexts::summary_free_size, "Taille de l'image finale : ",
         "Size of the ouput picture:"},
        {&InterfaceTexts::summary_format, "Format de sortie : ",
         "Output format : "},
        {&InterfaceTexts::summary_quality, "Qualité d'image : ",
         "Image quality: "},
        {&InterfaceTexts::summary_relative_explained, "Le mode relatif permet un redimensionnement proportionnel des images.",
         "The relative mode allows a proportional resizing images."},
        {&InterfaceTexts::summary_free_explained, "Le mode libre permet un redimensionnement libre, l'image pourra être déformée.",
         "Free mode allows a free resizing, the image could be distorted."},
        {&InterfaceTexts::batch_finished, "Terminé ! ",
         "Finish ! "},
        {&InterfaceTexts::batch_finished_tail, " image(s) traitée(s).",
         " pictures were processed.."},
        {&InterfaceTexts::batch_stopped, "Arrêt : ",
         "Stop : "},
        {&InterfaceTexts::batch_stopped_tail, " images traitées !",
         " images traitées !"},
        {&InterfaceTexts::batch_failed, " échec(s)",
         " failed"},
        {&InterfaceTexts::batch_left_aside, " ignoré(s)",
         " left aside"},
        {&InterfaceTexts::batch_busy, "Un traitement est déjà en cours",
         "A batch is already running"},
        {&InterfaceTexts::batch_not_processed, "Images non traitées :",
         "Pictures not processed:"},
        {&InterfaceTexts::batch_no_picture, "Aucune image : ",
         "No picture: "},
        {&InterfaceTexts::batch_files_left_aside, " fichier(s) ignoré(s)",
         " file(s) left aside"},
        {&InterfaceTexts::setting_saved, "Modification sauvegardée.",
         "The change has been saved."},
        {&InterfaceTexts::save_failed_title, "Sauvegarde impossible",
         "Unable to save prefs !"},
        {&InterfaceTexts::settings_not_saved, "Préférences non sauvegardables (pref.vrn)",
         "Settings cannot be saved (pref.vrn)"},
        {&InterfaceTexts::save_failed_text, "La sauvegarde des préférences est impossible, vérifier que le support est inscriptible ou que vous bénéficiez des droits administrateurs sur cette machine.",
         "Unable to save preferences, please check you are using a writesupport and that you have admin rights."},
        {&InterfaceTexts::preset_applied, "Résolution modifiée",
         "Resolution has been changed"},
        {&InterfaceTexts::prefix_dialog_title, "Choix du préfixe",
         "Choice of Prefix"},
        {&InterfaceTexts::prefix_dialog_prompt, "Ecrire le préfixe désiré (0 = pas de préfixe)",
         "Type the prefixe (0 = no prefix)"},
        {&InterfaceTexts::overwrite_question, "Attention, vous n'avez pas indiqué de préfixe, cela signifie que vous allez écraser les images originales.\nVoulez-vous réellement écraser les images originales ?",
         "Be careful, you did not specify a prefix, it means that you will overwrite the original images..\nDo you really want to overwrite the original images?"},
        {&InterfaceTexts::no_prefix, "Pas de préfixe",
         "No prefix"},
        {&InterfaceTexts::new_prefix_done, "Nouveau préfixe paramétré",
         "New prefix done"},
        {&InterfaceTexts::prefix_unchanged, "Préfixe inchangé",
         "Prefixe has not been changed"},
        {&InterfaceTexts::prefix_refused, "Préfixe refusé : ",
         "Prefix refused: "},
        {&InterfaceTexts::stored_prefix_refused, "Préfixe enregistré refusé : ",
         "Saved prefix refused: "},
        {&InterfaceTexts::prefix_has_separator, "\"/\" interdit",
         "\"/\" not allowed"},
        {&InterfaceTexts::prefix_has_control_character, "caractères de contrôle interdits",
         "no control characters"},
        {&InterfaceTexts::prefix_too_long, "trop long pour un nom de fichier",
         "too long for a file name"},
        {&InterfaceTexts::fx_apply, "Valider",
         "Apply FX"},
        {&InterfaceTexts::fx_cancel, "Annuler",
         "Cancel"},
        {&InterfaceTexts::fx_load, "Charger une image",
         "Load picture"},
        {&InterfaceTexts::fx_save, "Sauver l'image",
         "Save picture"},
        {&InterfaceTexts::fx_black_white, "Noir & Blanc standard",
         "Black and white"},
        {&InterfaceTexts::fx_black_white_optimised, "Noir & Blanc optimisé",
         "Optimized black and white"},
        {&InterfaceTexts::fx_sepia, "Sepia / Vieillir photo",
         "Sepia / Age a photo"},
        {&InterfaceTexts::fx_border, "Ajouter une bordure",
         "Add a border"},
        {&InterfaceTexts::cancelled, "Annulé",
         "Cancel"},
        {&InterfaceTexts::fx_apply_first, "Validez le 1er effet !",
         "Please validate first"},
        {&InterfaceTexts::fx_unreadable, "Image illisible",
         "Unreadable picture"},
        {&InterfaceTexts::fx_save_failed, "Sauvegarde impossible",
         "Unable to save picture"},
        {&InterfaceTexts::fx_replace_before, "Le fichier \"",
         "The file \""},
        {&InterfaceTexts::fx_replace_after, "\" existe déjà.\nVoulez-vous le remplacer ?",
         "\" already exists.\nDo you want to replace it?"},
        {&InterfaceTexts::fx_no_webcam, "Aucune webcam détectée",
         "No webcam found"},
        {&InterfaceTexts::fx_no_webcam_picture, "Webcam sans image",
         "No webcam picture"},
        {&InterfaceTexts::fx_busy, "Traitement de l'image en cours...",
         "Working on the picture..."},
        {&InterfaceTexts::update_no_connection, "Aucune connexion internet n'est disponible.",
         "No internet connection is available."},
        {&InterfaceTexts::update_title, "Mise à jour",
         "Update"},
        {&InterfaceTexts::update_latest, "Vous avez la dernière version",
         "You have the latest version"},
        {&InterfaceTexts::update_newer_before, "La version ",
         "Version "},
        {&InterfaceTexts::update_newer_after, " est disponible, souhaitez vous la télécharger ?\n(Cliquez sur Oui pour accéder à la page de téléchargement)",
         " is available, you want to download it?\n(Click Yes button to go to the download page)"},
        {&InterfaceTexts::update_declined, "Annulé par l'utilisateur",
         "User canceled"},
        {&InterfaceTexts::update_checking, "Recherche de mise à jour...",
         "Checking for updates..."},
        {&InterfaceTexts::update_failed, "Vérification impossible, réessayez plus tard",
         "Unable to check for updates, try again later"},
        {&InterfaceTexts::update_no_browser, "Aucun navigateur pour ouvrir ",
         "No web browser to open "},
    };
    for (const Row& row : rows) t.*row.text = language == Language::French ? row.french : row.english;
}

// The help pages, which name the screen's own numbers.
void fill_help_texts(InterfaceTexts& t, const ScreenNumbers& screen, Language language) {
    if (language == Language::French) {
        t.help_how_to_resize =
            std::string(
            "Redimensionner une ou des images\n"
            "\n"
            "Tout d'abord, choisissez le format libre ou relatif.\n"
            "Choisissez ensuite le format de sortie JPG ou PNG.\n"
            "(Pensez à régler la qualité pour le format JPG (8/10 par defaut))\n"
            "Vous pouvez aussi modifier le préfixe de vos futures images. (defaut : prefix_).\n"
            "Notez que si vous ne mettez pas de préfixe (ou 0), les images originales seront écrasées ! Faites attention à ne pas vous tromper de taille si vous n'utilisez pas de préfixe.\n"
            "Une fois vos réglages effectués, il ne vous restera plus qu'à glisser/déposer vos fichiers images sur PIXMOLD ou de simplement glisser/déposer le dossier contenant les images.\n"
            "Cette seconde solution n'inclura pas les sous répertoires mais traitera toutes les images présentes dans le dossier.\n"
            "Notez enfin que vos paramètres seront mémorisés lors du prochain lancement du logiciel.");
        t.help_which_resolution =
            compose({
            "Quelle résolution choisir ?\n"
            "\n"
            "Les appareils photos d'aujourd'hui prennent des photos de très grande taille, pratique pour l'impression, elles s'avèrent souvent bien trop grandes pour être seulement visualisées sur un ecran d'ordinateur ou de télé. De plus le poids occupé par ces images est important !\n"
            "\n"
            "Nous vous proposons de vous baser sur votre résolution d'écran qui est de : L",
            std::to_string(screen.screen_width),
            " x  H",
            std::to_string(screen.screen_height)});
        t.help_which_format =
            std::string(
            "Quel format choisir ?\n"
            "\n"
            ">> Mode Libre <\n"
            "Ce mode vous permet de redimensionner des images à la taille désirée, sans respecter le ratio largeur/hauteur. Il conviendra pour créer rapidement un avatar dont la taille est imposée par un forum par exemple.\n"
            "\n"
            ">> Mode Relatif <\n"
            "C'est le mode le plus utilisé, il vous permet de définir une largeur pour vos photos en portrait et une hauteur pour vos photos en portrait. La taille des images ainsi traitées reste proportionnelle, les images ne sont donc pas déformée.\n"
            "C'est le mode parfait pour le redimensionnement de photos par lot.\n"
            "\n"
            ">> Format JPG/JPEG <\n"
            "Ce format d'image est dit 'destructeur', cependant, c'est le meilleur compromis pour gagner de la place tout en gardant une qualité \n"
            "très correcte à condition de choisir au moins '8' dans les options de qualité.\n"
            "\n"
            ">> Format PNG <\n"
            "Ce format d'image est non destructeur et vous permet de gagner de l'espace par rapport au format de base (BMP) .\n"
            "Moins performant en compression (pour les photos) que le JPG, le PNG sera utilisé pour les images destinées à l'impression.");
        t.help_how_to_crop =
            std::string(
            "Comment recadrer une image ?\n"
            "\n"
            "Pour recadrer une photo, cliquez sur l'icone 'FX' afin d'ouvrir l'interface effets speciaux.\n"
            "Cliquer sur 'charger une image' puis selectionnez l'effet de recadrage (le 1er).\n"
            "Dessinez maintenant votre cadre de selection.\n"
            "Une fois satisfait, cliquez sur le bouton 'Valider'.'\n"
            " > Note : Clic droit pour annuler la sélection.");
    } else {
        t.help_how_to_resize =
            std::string(
            "Using Pixmold\n"
            "\n"
            "First, choose Free or Relative format.\n"
            "Then choose output JPG or PNG format.\n"
            "(Remember to adjust the quality for JPG (8/10 by default))\n"
            "You can also change the prefix of the future images. (default : thumb_).\n"
            "Note that if you do not using prefix (or 0), the pictures will be overwrite ! Please do not go wrong size if you do not prefix.\n"
            "Once these settings are ok, you'll just have to drag / drop your picture files on PIXMOLD or simply drag / drop the folder containing the images.\n"
            "This second solution will not include the subdirectories but will process all images in the folder.\n"
            "Finally, note that your settings are saved automatically.");
        t.help_which_resolution =
            compose({
            "Which resolution to choose?\n"
            "\n"
            "Cameras now take pictures of very large size, suitable for printing, they are often too large to be only viewed on a computer screen or TV.\n"
            "\n"
            "We suggest you draw on your screen resolution that is:",
            std::to_string(screen.screen_width),
            " x ",
            std::to_string(screen.screen_height),
            "\n"
            "If your pictures are wider than tall (landscape), so you rely on a width of  ",
            std::to_string(screen.desktop_width),
            " in relative mode.\n"
            "At the opposite, Conversely, if your photos are taller than wide (portrait), so you rely on the height in relative mode using as size ",
            std::to_string(screen.screen_height),
            "\n"
            "Tips : Try first with one photo and see if the result is good."});
        t.help_which_format =
            std::string(
            "Which format to choose?\n"
            "\n"
            "> Free Mode <\n"
            "This mode allows you to resize images to desired size, without observing the ratio width / height. It will be necessary to quickly create an avatar whose size is dictated by such a forum.\n"
            "\n"
            "> Relative mode <\n"
            "This is the most used mode, you can set a width for landscape pictures and a height for the portrait pictures. the target picture will not be distored.\n"
            "Ideal for batch resizing of photos.\n"
            "\n"
            "> Format JPG/JPEG <\n"
            "This image format is called 'destructive', however, is the best compromise to save space while maintaining quality \n"
            "correct if you choose at least '8 'in quality options.\n"
            "\n"
            "> Format PNG <\n"
            "It's a non destructive format and allows you to save space compared to the basic BMP format.\n"
            "Less efficient in compression (for photos) as JPG, PNG images will be used for printing.");
        t.help_how_to_crop =
            std::string(
            "How to crop a picture ?\n"
            "\n"
            "To crop a picture, press the FX button to open the FX window.\n"
            "Select the CROP FX (1st)\n"
            "Press 'Load a picture' or drag and drop one, then draw your selection\n"
            "Press APPLY then save the new picture or continue with FX TOOLS :).\n"
            " > Note : Right click to cancel selection.");
    }
}

std::string about_text(Language language, std::string_view product_name, std::string_view version) {
    std::string text(product_name);
    text += version;
    if (language == Language::French) {
        text +=
            "\n\nRedimensionnement d'images par lot, avec un petit éditeur d'effets."
            "\nGlissez vos photos ou un dossier sur la fenêtre : chaque image est redimensionnée"
            " à côté de son original.";
    } else {
        text +=
            "\n\nBatch picture resizer with a small effects editor."
            "\nDrop your pictures or a folder on the window: every picture is resized"
            " next to its original.";
    }
    return text;
}

InterfaceTexts& current_table() {
    static InterfaceTexts table = make_interface_texts(Language::English, ScreenNumbers{}, "Pixmold ", shown_version());
    return table;
}

// Why a picture was not processed, after its name in the batch's lists.
void fill_failure_reasons(InterfaceTexts& t, Language language) {
    struct Row {
        std::string InterfaceTexts::*text;
        const char* french;
        const char* english;
    };
    static const Row rows[] = {
        {&InterfaceTexts::batch_why_unreadable, "illisible : pas une image, ou endommagée",
         "cannot be read: not a picture, or damaged"},
        {&InterfaceTexts::batch_why_unresizable, "impossible à redimensionner à cette taille",
         "cannot be resized to that size"},
        {&InterfaceTexts::batch_why_disk_full, "écriture impossible : disque plein", "cannot be written: disk full"},
        {&InterfaceTexts::batch_why_no_permission, "écriture impossible : permission refusée",
         "cannot be written: no permission"},
        {&InterfaceTexts::batch_why_read_only, "écriture impossible : en lecture seule", "cannot be written: read-only"},
        {&InterfaceTexts::batch_why_name_too_long, "écriture impossible : nom trop long",
         "cannot be written: name too long"},
        {&InterfaceTexts::batch_why_same_output, "une autre image de ce traitement a le même nom de sortie",
         "another picture of this batch has the same output name"},
        {&InterfaceTexts::batch_why_unwritable, "écriture impossible", "cannot be written"},
        {&InterfaceTexts::batch_why_stopped, "arrêtée", "stopped"},
    };
    for (const Row& row : rows) t.*row.text = language == Language::French ? row.french : row.english;
}

// Names of the controls for screen readers.
void fill_control_names(InterfaceTexts& t, Language language) {
    struct Row {
        std::string InterfaceTexts::*text;
        const char* french;
        const char* english;
    };
    static const Row rows[] = {
        {&InterfaceTexts::name_prefix_field, "Préfixe", "Prefix"},
        {&InterfaceTexts::name_landscape_width, "Largeur des photos en paysage", "Width of landscape pictures"},
        {&InterfaceTexts::name_portrait_height, "Hauteur des photos en portrait", "Height of portrait pictures"},
        {&InterfaceTexts::name_free_width, "Largeur des images", "Width of the pictures"},
        {&InterfaceTexts::name_free_height, "Hauteur des images", "Height of the pictures"},
        {&InterfaceTexts::name_presets, "Résolutions prédéfinies", "Preset resolutions"},
        {&InterfaceTexts::name_quality, "Qualité JPEG", "JPEG quality"},
        {&InterfaceTexts::name_info_panel, "Informations", "Information"},
        {&InterfaceTexts::name_status_line, "Barre d'état", "Status"},
        {&InterfaceTexts::name_fx_button, "Effets spéciaux", "Special effects"},
        {&InterfaceTexts::describe_fx_button, "Ouvre ou ferme le panneau des effets spéciaux",
         "Opens or closes the special effects panel"},
        {&InterfaceTexts::name_fx_crop, "Recadrer", "Crop"},
        {&InterfaceTexts::name_fx_webcam, "Webcam", "Webcam"},
        {&InterfaceTexts::name_fx_preview, "Aperçu de l'image", "Picture preview"},
        {&InterfaceTexts::name_fx_commands, "Commandes des effets", "Effect commands"},
    };
    for (const Row& row : rows) t.*row.text = language == Language::French ? row.french : row.english;
}

}  // namespace

InterfaceTexts make_interface_texts(Language chosen, const ScreenNumbers& screen, std::string_view product_name,
                                    std::string_view version) {
    const Language language = interface_language(chosen);
    InterfaceTexts t;
    t.language = language;
    fill_plain_texts(t, language);
    fill_help_texts(t, screen, language);
    fill_failure_reasons(t, language);
    fill_control_names(t, language);
    t.about = about_text(language, product_name, version);
    return t;
}

const InterfaceTexts& texts() { return current_table(); }

void load_interface_texts(Language language, const ScreenNumbers& screen, std::string_view product_name,
                          std::string_view version) {
    current_table() = make_interface_texts(language, screen, product_name, version);
}

std::string_view restart_notice(Language chosen) {
    return chosen == Language::French ? "Vous devez redémarrer Pixmold" : "You have to restart Pixmold";
}

std::string relative_mode_tip(const InterfaceTexts& t) { return t.relative_mode_button + "\r(pour photo)"; }

std::string free_mode_tip(const InterfaceTexts& t) { return t.free_mode_button + "\r(images diverses)"; }

std::string spoken(std::string_view caption) {
    const auto first = caption.find_first_not_of(' ');
    if (first == std::string_view::npos) return {};
    return std::string(caption.substr(first, caption.find_last_not_of(' ') - first + 1));
}

std::string banner_tip(const InterfaceTexts& t, std::string_view version) {
    std::string tip = "VARNELO - Pixmold ";
    tip += version;
    tip += ' ';
    tip += t.drop_invitation;
    return tip;
}

}  // namespace pixmold
