#include "app/settings_summary.h"

#include <gtest/gtest.h>

namespace pixmold {
namespace {

InterfaceTexts french() { return make_interface_texts(Language::French, {1920, 1080, 1920}, "Pixmold ", " 1.7.0"); }
InterfaceTexts english() { return make_interface_texts(Language::English, {1920, 1080, 1920}, "Pixmold ", " 1.7.0"); }

Settings relative_jpg() {
    Settings v;
    v.mode = Mode::Relative;
    v.format = OutputFormat::Jpeg;
    v.quality = 8;
    v.landscape_width = 800;
    v.portrait_height = 600;
    v.free_width = 640;
    v.free_height = 480;
    return v;
}

std::string summary(const Settings& v, const InterfaceTexts& t) { return compose_settings_summary(v, 1920, 1080, t); }

TEST(SettingsSummary, FrenchRelativeJpg) {
    EXPECT_EQ(summary(relative_jpg(), french()),
              "\n > Résolution écran : L 1920    H 1080 <\n"
              "Mode : relatif\n"
              "Les 2 tailles (larg/haut) sélectionnées sont : \n"
              "Taille : 800 px  x  600 px.\n"
              "Format de sortie : JPG\n"
              "Qualité d'image : 8 / 10\n"
              "\n"
              "Le mode relatif permet un redimensionnement proportionnel des images.");
}

TEST(SettingsSummary, EnglishRelativeJpg) {
    EXPECT_EQ(summary(relative_jpg(), english()),
              "\n > Screen resolution : W 1920    H 1080 <\n"
              "Mode : relative\n"
              "Scaling based on the \n"
              "Size : 800 px  x  600 px.\n"
              "Output format : JPG\n"
              "Image quality: 8 / 10\n"
              "\n"
              "The relative mode allows a proportional resizing images.");
}

TEST(SettingsSummary, FrenchFreePngHasNoQualityLine) {
    Settings v = relative_jpg();
    v.mode = Mode::Free;
    v.format = OutputFormat::Png;
    EXPECT_EQ(summary(v, french()),
              "\n > Résolution écran : L 1920    H 1080 <\n"
              "Mode : libre\n"
              "Taille de l'image finale : 640 px   x 480 px \n"
              "Format de sortie : PNG\n"
              "\n"
              "Le mode libre permet un redimensionnement libre, l'image pourra être déformée.");
}

TEST(SettingsSummary, EnglishFreeJpg) {
    Settings v = relative_jpg();
    v.mode = Mode::Free;
    v.quality = 10;
    EXPECT_EQ(summary(v, english()),
              "\n > Screen resolution : W 1920    H 1080 <\n"
              "Mode : free\n"
              "Size of the ouput picture:640 px   x 480 px \n"
              "Output format : JPG\n"
              "Image quality: 10 / 10\n"
              "\n"
              "Free mode allows a free resizing, the image could be distorted.");
}

// Words of the settings file that name no choice, read as the file reader reads them.
TEST(SettingsSummary, AnyModeOtherThanRelIsFree) {
    Settings v = relative_jpg();
    v.mode = mode_from_word("rel");
    v.other_mode_word = "rel";
    std::string text = summary(v, english());
    EXPECT_NE(text.find("Mode : free\n"), std::string::npos);
    EXPECT_EQ(text.find("Scaling based on the"), std::string::npos);
}

TEST(SettingsSummary, QualityLineOnlyForExactlyJpg) {
    Settings v = relative_jpg();
    v.format = format_from_word("jpg");
    v.other_format_word = "jpg";
    const std::string text = summary(v, english());
    EXPECT_EQ(text.find("Image quality"), std::string::npos);
    EXPECT_NE(text.find("Output format : jpg\n"), std::string::npos);
}

TEST(SettingsSummary, NegativeFreeSizesAreWrittenAsStored) {
    // L and H are 16-bit values; the summary states what the job will use.
    Settings v = relative_jpg();
    v.mode = Mode::Free;
    v.free_width = -32768;
    v.free_height = 0;
    EXPECT_NE(summary(v, english()).find("picture:-32768 px   x 0 px \n"), std::string::npos);
}

}  // namespace
}  // namespace pixmold
