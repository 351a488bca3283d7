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

void fill_french_table(InterfaceTexts& t, const ScreenNumbers& screen) {
    t.menu_project = " Projet";
    t.menu_adjust_to_desktop = " Ajuster la taille des futures images à la taille de l'ecran";
    t.menu_open_relative = " Ouvrir une image à redimensionner en se basant sur ";
    t.menu_or = " ou ";
    t.menu_open_free = " Ouvrir une image à redimensionner en ";
    t.menu_quit = "&Quitter";
    t.menu_help = "Aide";
    t.menu_about = "A propos du &logiciel ?";
    t.menu_how_to_resize = "Redimensionner une image";
    t.menu_which_format = "Que choisir comme format ?";
    t.menu_which_resolution = "Quelle résolution choisir ?";
    t.menu_how_to_crop = "Recadrer une image";
    t.menu_online = " En ligne";
    t.menu_check_update = "Vérifier si une &mise à jour est disponible";
    t.menu_visit_website = "&Visiter le site";
    t.menu_preferences = " Préférences";
    t.menu_french = " Français";
    t.menu_english = " English";
    t.menu_never_enlarge = " Ne jamais agrandir les images";
    t.menu_strip_location = " Retirer la position GPS des images";
    t.menu_subfolders = " Inclure les sous-dossiers";
    t.menu_choose_output_folder = " Choisir un dossier de sortie...";
    t.menu_output_folder_is = " Dossier de sortie : ";
    t.menu_beside_sources = " Écrire à côté des originaux";
    t.menu_skip_outputs = " Ignorer les sorties d'un traitement précédent";
    t.output_folder_dialog_title = "Choix du dossier de sortie";
    t.relative_mode_button = "Mode Relatif ";
    t.free_mode_button = "Mode Libre ";
    t.mode_tip_title = "Aide";
    t.always_on_top_caption = " Fenêtre toujours visible";
    t.preset_header = " + Résolution";
    t.stop_button = "Stopper";
    t.size_title = "Taille des futurs fichiers";
    t.landscape_label = "Largeur désirée :";
    t.landscape_hint = "Pour les photos en 'paysage'";
    t.portrait_label = "Hauteur désirée :";
    t.portrait_hint = "Pour les photos en 'portrait'";
    t.free_width_label = "Largeur";
    t.free_height_label = "Hauteur";
    t.format_title = "Choix du format de sortie";
    t.format_label = "Format de sortie";
    t.quality_legend = "Qualité : 0 (mauvaise) 10 (meilleure) ";
    t.prefix_label = " Préfixe : ";
    t.prefix_button = "Modifier le préfixe";
    t.width_letter = "L";
    t.height_letter = "H";
    t.fx_tip_title = "Effets Spéciaux";
    t.fx_tip_text = "Ouvrir / Fermer la fenêtre des effets spéciaux";
    t.drop_invitation = "Glisser & Déposer vos photos !";
    t.summary_screen = " > Résolution écran : ";
    t.summary_mode = "Mode : ";
    t.summary_relative_name = "relatif";
    t.summary_free_name = "libre";
    t.summary_relative_sizes = "Les 2 tailles (larg/haut) sélectionnées sont : ";
    t.summary_relative_size = "Taille : ";
    t.summary_free_size = "Taille de l'image finale : ";
    t.summary_format = "Format de sortie : ";
    t.summary_quality = "Qualité d'image : ";
    t.summary_relative_explained = "Le mode relatif permet un redimensionnement proportionnel des images.";
    t.summary_free_explained = "Le mode libre permet un redimensionnement libre, l'image pourra être déformée.";
    t.batch_finished = "Terminé ! ";
    t.batch_finished_tail = " image(s) traitée(s).";
    t.batch_stopped = "Arrêt : ";
    t.batch_stopped_tail = " images traitées !";
    t.batch_failed = " échec(s)";
    t.batch_left_aside = " ignoré(s)";
    t.batch_busy = "Un traitement est déjà en cours";
    t.batch_not_processed = "Images non traitées :";
    t.batch_no_picture = "Aucune image : ";
    t.batch_files_left_aside = " fichier(s) ignoré(s)";
    t.setting_saved = "Modification sauvegardée.";
    t.save_failed_title = "Sauvegarde impossible";
    t.settings_not_saved = "Préférences non sauvegardables (pref.vrn)";
    t.save_failed_text = "La sauvegarde des préférences est impossible, vérifier que le support est inscriptible ou que vous bénéficiez des droits administrateurs sur cette machine.";
    t.preset_applied = "Résolution modifiée";
    t.prefix_dialog_title = "Choix du préfixe";
    t.prefix_dialog_prompt = "Ecrire le préfixe désiré (0 = pas de préfixe)";
    t.overwrite_question = "Attention, vous n'avez pas indiqué de préfixe, cela signifie que vous allez écraser les images originales.\nVoulez-vous réellement écraser les images originales ?";
    t.no_prefix = "Pas de préfixe";
    t.new_prefix_done = "Nouveau préfixe paramétré";
    t.prefix_unchanged = "Préfixe inchangé";
    t.prefix_refused = "Préfixe refusé : ";
    t.stored_prefix_refused = "Préfixe enregistré refusé : ";
    t.prefix_has_separator = "\"/\" interdit";
    t.prefix_has_control_character = "caractères de contrôle interdits";
    t.prefix_too_long = "trop long pour un nom de fichier";
    t.fx_apply = "Valider";
    t.fx_cancel = "Annuler";
    t.fx_load = "Charger une image";
    t.fx_save = "Sauver l'image";
    t.fx_black_white = "Noir & Blanc standard";
    t.fx_black_white_optimised = "Noir & Blanc optimisé";
    t.fx_sepia = "Sepia / Vieillir photo";
    t.fx_border = "Ajouter une bordure";
    t.cancelled = "Annulé";
    t.fx_apply_first = "Validez le 1er effet !";
    t.fx_unreadable = "Image illisible";
    t.fx_save_failed = "Sauvegarde impossible";
    t.fx_replace_before = "Le fichier \"";
    t.fx_replace_after = "\" existe déjà.\nVoulez-vous le remplacer ?";
    t.fx_no_webcam = "Aucune webcam détectée";
    t.fx_no_webcam_picture = "Webcam sans image";
    t.fx_busy = "Traitement de l'image en cours...";
    t.update_no_connection = "Aucune connexion internet n'est disponible.";
    t.update_title = "Mise à jour";
    t.update_latest = "Vous avez la dernière version";
    t.update_newer_before = "La version ";
    t.update_newer_after = " est disponible, souhaitez vous la télécharger ?\n(Cliquez sur Oui pour accéder à la page de téléchargement)";
    t.update_declined = "Annulé par l'utilisateur";
    t.update_checking = "Recherche de mise à jour...";
    t.update_failed = "Vérification impossible, réessayez plus tard";
    t.update_no_browser = "Aucun navigateur pour ouvrir ";
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
}

void fill_english_table(InterfaceTexts& t, const ScreenNumbers& screen) {
    t.menu_project = " Project";
    t.menu_adjust_to_desktop = "Adjust resolution to desktop size";
    t.menu_open_relative = " Open a picture to resize using : ";
    t.menu_or = " or ";
    t.menu_open_free = " Open a picture to resize in ";
    t.menu_quit = "&Exit";
    t.menu_help = "Info";
    t.menu_about = "&About the software ?";
    t.menu_how_to_resize = "How to resize a picture";
    t.menu_which_format = "Which format to choose?";
    t.menu_which_resolution = "Which resolution to choose?";
    t.menu_how_to_crop = "Crop a picture";
    t.menu_online = " Online";
    t.menu_check_update = "Check &update";
    t.menu_visit_website = "&Visit the website";
    t.menu_preferences = " Préférences";
    t.menu_french = " French";
    t.menu_english = " English";
    t.menu_never_enlarge = " Never enlarge pictures";
    t.menu_strip_location = " Remove the GPS location from pictures";
    t.menu_subfolders = " Include subfolders";
    t.menu_choose_output_folder = " Choose an output folder...";
    t.menu_output_folder_is = " Output folder: ";
    t.menu_beside_sources = " Write beside the originals";
    t.menu_skip_outputs = " Leave aside the outputs of an earlier run";
    t.output_folder_dialog_title = "Choice of output folder";
    t.relative_mode_button = " Relative";
    t.free_mode_button = " Free";
    t.mode_tip_title = "Help";
    t.always_on_top_caption = " Window always visible";
    t.preset_header = " > Resolutions";
    t.stop_button = "Stop";
    t.size_title = "Size of the pictures";
    t.landscape_label = "Width size :";
    t.landscape_hint = "for 'landscape' pictures ";
    t.portrait_label = "Height size :";
    t.portrait_hint = "for 'portrait' pictures ";
    t.free_width_label = "Width";
    t.free_height_label = "Height";
    t.format_title = "Output format";
    t.format_label = "Output format";
    t.quality_legend = "0 : Bad - 10 : Best";
    t.prefix_label = " Prefix : ";
    t.prefix_button = "Change prefix";
    t.width_letter = "W";
    t.height_letter = "H";
    t.fx_tip_title = "Click to open/close FX tool !";
    t.fx_tip_text = "Special Effect";
    t.drop_invitation = "Drag & Drop yours pictures !";
    t.summary_screen = " > Screen resolution : ";
    t.summary_mode = "Mode : ";
    t.summary_relative_name = "relative";
    t.summary_free_name = "free";
    t.summary_relative_sizes = "Scaling based on the ";
    t.summary_relative_size = "Size : ";
    t.summary_free_size = "Size of the ouput picture:";
    t.summary_format = "Output format : ";
    t.summary_quality = "Image quality: ";
    t.summary_relative_explained = "The relative mode allows a proportional resizing images.";
    t.summary_free_explained = "Free mode allows a free resizing, the image could be distorted.";
    t.batch_finished = "Finish ! ";
    t.batch_finished_tail = " pictures were processed..";
    t.batch_stopped = "Stop : ";
    t.batch_stopped_tail = " images traitées !";
    t.batch_failed = " failed";
    t.batch_left_aside = " left aside";
    t.batch_busy = "A batch is already running";
    t.batch_not_processed = "Pictures not processed:";
    t.batch_no_picture = "No picture: ";
    t.batch_files_left_aside = " file(s) left aside";
    t.setting_saved = "The change has been saved.";
    t.save_failed_title = "Unable to save prefs !";
    t.settings_not_saved = "Settings cannot be saved (pref.vrn)";
    t.save_failed_text = "Unable to save preferences, please check you are using a writesupport and that you have admin rights.";
    t.preset_applied = "Resolution has been changed";
    t.prefix_dialog_title = "Choice of Prefix";
    t.prefix_dialog_prompt = "Type the prefixe (0 = no prefix)";
    t.overwrite_question = "Be careful, you did not specify a prefix, it means that you will overwrite the original images..\nDo you really want to overwrite the original images?";
    t.no_prefix = "No prefix";
    t.new_prefix_done = "New prefix done";
    t.prefix_unchanged = "Prefixe has not been changed";
    t.prefix_refused = "Prefix refused: ";
    t.stored_prefix_refused = "Saved prefix refused: ";
    t.prefix_has_separator = "\"/\" not allowed";
    t.prefix_has_control_character = "no control characters";
    t.prefix_too_long = "too long for a file name";
    t.fx_apply = "Apply FX";
    t.fx_cancel = "Cancel";
    t.fx_load = "Load picture";
    t.fx_save = "Save picture";
    t.fx_black_white = "Black and white";
    t.fx_black_white_optimised = "Optimized black and white";
    t.fx_sepia = "Sepia / Age a photo";
    t.fx_border = "Add a border";
    t.cancelled = "Cancel";
    t.fx_apply_first = "Please validate first";
    t.fx_unreadable = "Unreadable picture";
    t.fx_save_failed = "Unable to save picture";
    t.fx_replace_before = "The file \"";
    t.fx_replace_after = "\" already exists.\nDo you want to replace it?";
    t.fx_no_webcam = "No webcam found";
    t.fx_no_webcam_picture = "No webcam picture";
    t.fx_busy = "Working on the picture...";
    t.update_no_connection = "No internet connection is available.";
    t.update_title = "Update";
    t.update_latest = "You have the latest version";
    t.update_newer_before = "Version ";
    t.update_newer_after = " is available, you want to download it?\n(Click Yes button to go to the download page)";
    t.update_declined = "User canceled";
    t.update_checking = "Checking for updates...";
    t.update_failed = "Unable to check for updates, try again later";
    t.update_no_browser = "No web browser to open ";
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
    if (language == Language::French)
        fill_french_table(t, screen);
    else
        fill_english_table(t, screen);
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
