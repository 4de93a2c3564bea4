#include "station/GridLocator.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

namespace vantrel {
namespace {

struct EncodeCase {
    const char* name;
    DegreesMinutesSeconds latitude;
    DegreesMinutesSeconds longitude;
    bool south;
    bool east;
    const char* expected;
};

// Locators checked against the Maidenhead field/square/subsquare sizes by hand.
const EncodeCase kEncodeCases[] = {
    {"Johannesburg area", {26, 14, 0}, {27, 58, 0}, true, true, "KG33xs"},
    {"zero is just north and just west", {0, 0, 0}, {0, 0, 0}, false, false, "IJ90xa"},
    {"zero with the other letters shown", {0, 0, 0}, {0, 0, 0}, true, true, "IJ90xa"},
    {"Greenwich", {51, 28, 40}, {0, 0, 5}, false, false, "IO91xl"},
    {"north pole is field S", {90, 0, 0}, {0, 0, 0}, false, false, "IS90xa"},
    {"south pole", {90, 0, 0}, {0, 0, 0}, true, false, "IA90xa"},
    {"date line east", {0, 31, 0}, {179, 59, 0}, false, true, "RJ90xm"},
    {"date line west", {0, 31, 0}, {179, 59, 0}, false, false, "AJ00am"},
    {"Sydney", {33, 52, 0}, {151, 12, 0}, true, true, "QF56od"},
};

TEST(EncodeLocator, NamedCases) {
    for (const EncodeCase& c : kEncodeCases) {
        EXPECT_EQ(EncodeLocator(c.latitude, c.longitude, c.south, c.east), c.expected) << c.name;
    }
}

TEST(EncodeLocator, PositionsBeyondTheGlobeStillGiveLettersAndDigits) {
    for (const DegreesMinutesSeconds lat :
         {DegreesMinutesSeconds{95, 0, 0}, DegreesMinutesSeconds{2000000000, 0, 0}}) {
        for (const DegreesMinutesSeconds lon :
             {DegreesMinutesSeconds{200, 0, 0}, DegreesMinutesSeconds{2000000000, 59, 59}}) {
            for (const bool south : {false, true}) {
                for (const bool east : {false, true}) {
                    const std::string t = EncodeLocator(lat, lon, south, east);
                    ASSERT_EQ(t.size(), 6U);
                    EXPECT_TRUE(t[0] >= 'A' && t[0] <= 'Z') << t;
                    EXPECT_TRUE(t[1] >= 'A' && t[1] <= 'Z') << t;
                    EXPECT_TRUE(t[2] >= '0' && t[2] <= '9') << t;
                    EXPECT_TRUE(t[3] >= '0' && t[3] <= '9') << t;
                    EXPECT_TRUE(t[4] >= 'a' && t[4] <= 'x') << t;
                    EXPECT_TRUE(t[5] >= 'a' && t[5] <= 'x') << t;
                }
            }
        }
    }
}

struct DecodeCase {
    const char* typed;
    const char* text;
    DegreesMinutesSeconds latitude;
    char latitudeLetter;
    DegreesMinutesSeconds longitude;
    char longitudeLetter;
};

// Centres of the subsquares: longitude 180 - 20 F1 - 2 D1 - S1/12 - 1/24
// degrees west, latitude 10 F2 - 90 + D2 + S2/24 + 1/48 degrees north.
const DecodeCase kDecodeCases[] = {
    {"KG33xs", "KG33xs", {26, 13, 45}, 'S', {27, 57, 30}, 'E'},
    {"kg33XS", "KG33xs", {26, 13, 45}, 'S', {27, 57, 30}, 'E'},
    {"JJ00aa", "JJ00aa", {0, 1, 15}, 'N', {0, 2, 30}, 'E'},
    {"jj00AA", "JJ00aa", {0, 1, 15}, 'N', {0, 2, 30}, 'E'},
    {"IO91xl", "IO91xl", {51, 28, 45}, 'N', {0, 2, 30}, 'W'},
    {"IJ90xa", "IJ90xa", {0, 1, 15}, 'N', {0, 2, 30}, 'W'},
    // Field S lies beyond the pole: its centres are held to 90° N.
    {"JS00aa", "JS00aa", {90, 0, 0}, 'N', {0, 2, 30}, 'E'},
    {"RS99xx", "RS99xx", {90, 0, 0}, 'N', {179, 57, 30}, 'E'},
    {"as47mk", "AS47mk", {90, 0, 0}, 'N', {170, 57, 30}, 'W'},
    {"AA00aa", "AA00aa", {89, 58, 45}, 'S', {179, 57, 30}, 'W'},
    {"RR99xx", "RR99xx", {89, 58, 45}, 'N', {179, 57, 30}, 'E'},
    {"KG33xsq", "KG33xs", {26, 13, 45}, 'S', {27, 57, 30}, 'E'},
};

TEST(DecodeLocator, CentreOfTheSubsquareToTheWholeSecond) {
    for (const DecodeCase& c : kDecodeCases) {
        const auto d = DecodeLocator(c.typed);
        ASSERT_TRUE(d.has_value()) << c.typed;
        EXPECT_EQ(d->Text, c.text) << c.typed;
        EXPECT_EQ(d->Latitude, c.latitude) << c.typed;
        EXPECT_EQ(d->Longitude, c.longitude) << c.typed;
        EXPECT_EQ(d->LatitudeLetter, c.latitudeLetter) << c.typed;
        EXPECT_EQ(d->LongitudeLetter, c.longitudeLetter) << c.typed;
        const long double lat =
            (c.latitudeLetter == 'S' ? -1 : 1) *
            (c.latitude.Whole + c.latitude.Minutes / 60.0L + c.latitude.Seconds / 3600.0L);
        const long double lon =
            (c.longitudeLetter == 'W' ? -1 : 1) *
            (c.longitude.Whole + c.longitude.Minutes / 60.0L + c.longitude.Seconds / 3600.0L);
        EXPECT_NEAR(static_cast<double>(d->LatitudeDeg), static_cast<double>(lat), 1e-15)
            << c.typed;
        EXPECT_NEAR(static_cast<double>(d->LongitudeDeg), static_cast<double>(lon), 1e-15)
            << c.typed;
    }
}

TEST(DecodeLocator, NoLatitudeBeyondThePoles) {
    // Every latitude field, square and subsquare letter: the decimal latitude
    // stays within -90..90 and agrees with the degrees-minutes-seconds parts.
    for (char f2 = 'A'; f2 <= 'S'; ++f2) {
        for (char d2 = '0'; d2 <= '9'; ++d2) {
            for (char s2 = 'a'; s2 <= 'x'; ++s2) {
                const std::string t{'J', f2, '0', d2, 'a', s2};
                const auto d = DecodeLocator(t);
                ASSERT_TRUE(d.has_value()) << t;
                EXPECT_LE(d->LatitudeDeg, 90.0L) << t;
                EXPECT_GE(d->LatitudeDeg, -90.0L) << t;
                const long double fromParts =
                    (d->LatitudeLetter == 'S' ? -1 : 1) * Join(d->Latitude);
                EXPECT_EQ(d->LatitudeDeg, fromParts) << t;
                EXPECT_LT(d->Latitude.Minutes, 60) << t;
                EXPECT_LT(d->Latitude.Seconds, 60) << t;
            }
        }
    }
}

TEST(DecodeLocator, KG33xsInDecimalDegrees) {
    const auto d = DecodeLocator("KG33xs");
    ASSERT_TRUE(d.has_value());
    EXPECT_NEAR(static_cast<double>(d->LatitudeDeg), -26.229167, 5e-7);
    EXPECT_NEAR(static_cast<double>(d->LongitudeDeg), 27.958333, 5e-7);
}

TEST(DecodeLocator, RefusesShortTextsAndCharactersOutOfRange) {
    for (const char* t : {"", "K", "KG33x", "JJ00ay", "JJ0Aaa", "SA00aa", "JT00aa", "JJa0aa",
                          "JJ00 a", "JJ00a", "JJ00a?", "[J00aa", "J@00aa"}) {
        EXPECT_FALSE(DecodeLocator(t).has_value()) << '"' << t << '"';
    }
    // Bytes above 127 are not letters, whatever their case would be.
    EXPECT_FALSE(DecodeLocator("\xC9J00aa").has_value());
    EXPECT_FALSE(DecodeLocator("JJ00a\xE0").has_value());
}

TEST(DecodeLocator, EncodingTheCentreGivesTheLocatorBack) {
    // Every field, every subsquare, in the corner squares and one inside.
    int checked = 0;
    for (char f1 = 'A'; f1 <= 'R'; ++f1) {
        for (char f2 = 'A'; f2 <= 'S'; ++f2) {
            for (const char* square : {"00", "99", "47"}) {
                for (char s1 = 'a'; s1 <= 'x'; ++s1) {
                    for (char s2 = 'a'; s2 <= 'x'; ++s2) {
                        const std::string t{f1, f2, square[0], square[1], s1, s2};
                        const auto d = DecodeLocator(t);
                        ASSERT_TRUE(d.has_value()) << t;
                        // Field S decodes to the pole, whose own locator
                        // has square 0 and subsquare "a" of latitude.
                        const std::string back =
                            f2 == 'S' ? std::string{f1, f2, square[0], '0', s1, 'a'} : t;
                        ASSERT_EQ(EncodeLocator(d->Latitude, d->Longitude,
                                                d->LatitudeDeg<0, d->LongitudeDeg> 0),
                                  back);
                        ++checked;
                    }
                }
            }
        }
    }
    EXPECT_EQ(checked, 18 * 19 * 3 * 24 * 24);
}

} // namespace
} // namespace vantrel

namespace vantrel {
namespace {

TEST(LocatorFault, NamesTheFirstBadCharacterAndWhatItMustBe) {
    struct Case {
        const char* text;
        const char* fault;
    };
    const Case cases[] = {
        {"KG33xs", ""},
        {"kg33XS", ""},
        {"KG3", ""}, // being typed
        {"", ""},
        {"JJ00ay", "Not a locator: the 6th character must be a letter from A to X"},
        {"JT00aa", "Not a locator: the 2nd character must be a letter from A to S"},
        {"SA00aa", "Not a locator: the 1st character must be a letter from A to R"},
        {"JJ0Aaa", "Not a locator: the 4th character must be a digit from 0 to 9"},
        {"JJx", "Not a locator: the 3rd character must be a digit from 0 to 9"},
        {"JJ00za", "Not a locator: the 5th character must be a letter from A to X"},
        {"TT", "Not a locator: the 1st character must be a letter from A to R"},
        {"KG33xs9", ""}, // characters after the sixth are not the locator's
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(LocatorFault(c.text), c.fault);
        // A fault and a decoding never go together.
        if (std::string(c.text).size() >= kLocatorLength) {
            EXPECT_EQ(DecodeLocator(c.text).has_value(), LocatorFault(c.text).empty());
        }
    }
}

} // namespace
} // namespace vantrel
