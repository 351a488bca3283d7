// Version texts and the site's addresses.
#include <gtest/gtest.h>

#include <cstdlib>

#include "update/site.h"
#include "update/version.h"

namespace pixmold {
namespace {

TEST(Version, DottedFieldsCompareAsNumbers) {
    EXPECT_EQ(compare_versions("1.7.0", "1.7.0"), 0);
    EXPECT_GT(compare_versions("1.7.1", "1.7.0"), 0);
    EXPECT_GT(compare_versions("1.8", "1.7.0"), 0);
    EXPECT_GT(compare_versions("1.10", "1.7.0"), 0);
    EXPECT_GT(compare_versions("1.10", "1.9.9"), 0);
    EXPECT_GT(compare_versions("2.0.0", "1.7.0"), 0);
    EXPECT_LT(compare_versions("1.6.9", "1.7.0"), 0);
    EXPECT_LT(compare_versions("1.7.0", "1.10"), 0);
    // A missing field counts as 0.
    EXPECT_EQ(compare_versions("1.7", "1.7.0"), 0);
    EXPECT_EQ(compare_versions("1.7.0.0", "1.7"), 0);
    EXPECT_GT(compare_versions("1.7.0.1", "1.7"), 0);
    EXPECT_LT(compare_versions("1", "1.0.1"), 0);
    // Leading zeros do not change a number; fields of any length compare.
    EXPECT_EQ(compare_versions("1.07", "1.7"), 0);
    EXPECT_EQ(compare_versions("001.7.000", "1.7"), 0);
    EXPECT_GT(compare_versions("1.123456789012345678901234567890", "1.99999999999999999999"), 0);
    EXPECT_LT(compare_versions("1.99999999999999999999", "1.123456789012345678901234567890"), 0);
}

TEST(Version, OnlyDigitsJoinedBySingleDotsAreVersions) {
    for (const char* good : {"1", "1.7.0", "1.10", "2.0.0", "0", "17"}) EXPECT_TRUE(is_version(good)) << good;
    for (const char* bad : {"", ".", "1.", ".1", "1..2", "1.7a", "v1.7", "1,7", "1.7 .1", " 1.7", "-1.7",
                            "<html><body>1.9</body></html>", "1.7.1\n"})
        EXPECT_FALSE(is_version(bad)) << bad;
}

TEST(Version, WhiteSpaceAroundIsTrimmed) {
    EXPECT_EQ(trim_white_space("1.7.1\n"), "1.7.1");
    EXPECT_EQ(trim_white_space(" \t1.7.1 \r\n\r\n"), "1.7.1");
    EXPECT_EQ(trim_white_space(" 1.7.0"), "1.7.0");
    EXPECT_EQ(trim_white_space("1 7"), "1 7");
    EXPECT_EQ(trim_white_space(" \n "), "");
}

TEST(Site, VersionTextLiesUnderTheSiteWithOneSlash) {
    EXPECT_EQ(update_url("http://pixmold.example/"), "http://pixmold.example/maj.txt");
    EXPECT_EQ(update_url("http://pixmold.example"), "http://pixmold.example/maj.txt");
    EXPECT_EQ(update_url("http://127.0.0.1:8080//"), "http://127.0.0.1:8080/maj.txt");
    EXPECT_EQ(update_url("https://mirror.example/pixmold/"), "https://mirror.example/pixmold/maj.txt");
}

TEST(Site, EnvironmentReplacesTheBuiltInAddress) {
    ::unsetenv(SITE_VARIABLE);
    EXPECT_EQ(website_address(), WEBSITE_URL);
    ::setenv(SITE_VARIABLE, "", 1);
    EXPECT_EQ(website_address(), WEBSITE_URL);
    ::setenv(SITE_VARIABLE, "http://127.0.0.1:8000", 1);
    EXPECT_EQ(website_address(), "http://127.0.0.1:8000");
    ::unsetenv(SITE_VARIABLE);
}

}  // namespace
}  // namespace pixmold
