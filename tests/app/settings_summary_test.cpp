#include "app/settings_summary.h"

#include <gtest/gtest.h>

namespace pixmold {
namespace {

InterfaceTexts french() { return make_interface_texts(Language::French, {1920, 1080, 1920}, "Pixmold ", " 1.7.0"); }
InterfaceTexts english() { return make_interface_texts(Language::English, {1920, 1080, 1920}, "Pixmold ", " 1.7.0"); }

SummaryValues relative_jpg() {
    SummaryValues v;
    v.mode = "REL";
    v.type = "JPG";
    v.quality = 8;
    v.landscape_width = 800;
    v.portrait_height = 600;
    v.free_width = 640;
    v.free_height = 480;
    v.screen_width = 1920;
    v.screen_height = 1080;
    return v;
}

TEST(SettingsSummary, FrenchRelativeJpg) {
    EXPECT_EQ(compose_settings_summary(relative_jpg(), french()),
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
    EXPECT_EQ(compose_settings_summary(relative_jpg(), english()),
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
    SummaryValues v = relative_jpg();
    v.mode = "LIB";
    v.type = "PNG";
    EXPECT_EQ(compose_settings_summary(v, french()),
              "\n > Résolution écran : L 1920    H 1080 <\n"
              "Mode : libre\n"
              "Taille de l'image finale : 640 px   x 480 px \n"
              "Format de sortie : PNG\n"
              "\n"
              "Le mode libre permet un redimensionnement libre, l'image pourra être déformée.");
}

TEST(SettingsSummary, EnglishFreeJpg) {
    SummaryValues v = relative_jpg();
    v.mode = "LIB";
    v.quality = 10;
    EXPECT_EQ(compose_settings_summary(v, english()),
              "\n > Screen resolution : W 1920    H 1080 <\n"
              "Mode : free\n"
              "Size of the ouput picture:640 px   x 480 px \n"
              "Output format : JPG\n"
              "Image quality: 10 / 10\n"
              "\n"
              "Free mode allows a free resizing, the image could be distorted.");
}

TEST(SettingsSummary, AnyModeOtherThanRelIsFree) {
    SummaryValues v = relative_jpg();
    v.mode = "rel";
    std::string text = compose_settings_summary(v, english());
    EXPECT_NE(text.find("Mode : free\n"), std::string::npos);
    EXPECT_EQ(text.find("Scaling based on the"), std::string::npos);
}

TEST(SettingsSummary, QualityLineOnlyForExactlyJpg) {
    SummaryValues v = relative_jpg();
    v.type = "jpg";
    EXPECT_EQ(compose_settings_summary(v, english()).find("Image quality"), std::string::npos);
}

TEST(SettingsSummary, NegativeFreeSizesAreWrittenAsStored) {
    // L and H are 16-bit values; the summary states what the job will use.
    SummaryValues v = relative_jpg();
    v.mode = "LIB";
    v.free_width = -32768;
    v.free_height = 0;
    EXPECT_NE(compose_settings_summary(v, english()).find("picture:-32768 px   x 0 px \n"), std::string::npos);
}

}  // namespace
}  // namespace pixmold
