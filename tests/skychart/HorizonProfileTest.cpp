#include "skychart/HorizonProfile.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>

namespace vantrel {
namespace {

struct RefusedCase {
    std::string Name;
    std::string Text;
    std::string Problem;
};

void PrintTo(const RefusedCase& c, std::ostream* os) {
    *os << c.Name;
}

class HorizonRefusal : public ::testing::TestWithParam<RefusedCase> {};

TEST_P(HorizonRefusal, NamesTheLineOfTheFirstProblem) {
    const HorizonParse parsed = ParseHorizonProfile(GetParam().Text);
    EXPECT_FALSE(parsed.Profile.has_value());
    EXPECT_EQ(parsed.Problem, GetParam().Problem);
}

INSTANTIATE_TEST_SUITE_P(
    Files, HorizonRefusal,
    ::testing::Values(
        RefusedCase{"ElevationTooHigh", "# skyline\n0,3\n90,5\n\n180,2\n270,6\n300,95\n",
                    "line 7: elevation 95 is outside -5 to 90"},
        RefusedCase{"ElevationTooLow", "0,3\n90,-5.5\n180,2\n",
                    "line 2: elevation -5.5 is outside -5 to 90"},
        RefusedCase{"AzimuthBeyond360", "0,3\n400,1\n180,2\n",
                    "line 2: azimuth 400 is outside 0 to 360"},
        RefusedCase{"NegativeAzimuth", "-10,3\n40,1\n180,2\n",
                    "line 1: azimuth -10 is outside 0 to 360"},
        RefusedCase{"Text", "0,3\nhill,5\n", "line 2: azimuth \"hill\" is not a number"},
        RefusedCase{"TextElevation", "0,3\n10,high\n",
                    "line 2: elevation \"high\" is not a number"},
        RefusedCase{"TrailingGarbage", "0,3\n10,4deg\n",
                    "line 2: elevation \"4deg\" is not a number"},
        RefusedCase{"NotANumberWord", "0,nan\n", "line 1: elevation \"nan\" is not a number"},
        RefusedCase{"Infinity", "inf,1\n", "line 1: azimuth \"inf\" is not a number"},
        RefusedCase{"EmptyValue", "0,3\r\n,4\r\n", "line 2: azimuth \"\" is not a number"},
        RefusedCase{"NoComma", "0,3\n90 5\n",
                    "line 2: expected \"azimuth,elevation\" but found \"90 5\""},
        RefusedCase{"ThreeValues", "0,3,1\n",
                    "line 1: expected \"azimuth,elevation\" but found \"0,3,1\""},
        RefusedCase{"SemicolonAndDecimalComma", "0;3,5\n",
                    "line 1: azimuth \"0;3\" is not a number"},
        RefusedCase{"TooFewPoints", "# two only\n0,1\n180,2\n",
                    "line 3: the file ends after 2 points; a horizon profile needs at least 3"},
        RefusedCase{"OnePoint", "0,1",
                    "line 1: the file ends after 1 point; a horizon profile needs at least 3"},
        RefusedCase{"Empty", "",
                    "line 1: the file ends after 0 points; a horizon profile needs at least 3"},
        // Bytes that are not printable text show escaped: the message stays
        // one line of valid text, whatever encoding or control the file holds.
        RefusedCase{"StrayByteAndControl",
                    "10,1\r\n2\xB2"
                    "00,4\x1B[2J\n",
                    "line 2: azimuth \"2\\xB200\" is not a number"},
        RefusedCase{"OnlyComments", "# nothing\n\n#\n",
                    "line 3: the file ends after 0 points; a horizon profile needs at least 3"}),
    [](const auto& info) { return info.param.Name; });

TEST(HorizonParsing, AcceptsCommentsBlanksCrLfByteOrderMarkAndAnyOrder) {
    const HorizonParse parsed = ParseHorizonProfile(
        "\xEF\xBB\xBF# az,el\r\n\r\n +180 , 2.5 \r\n\t90,1e1\r\n0,-5\r\n360,90");
    ASSERT_TRUE(parsed.Profile.has_value()) << parsed.Problem;
    EXPECT_TRUE(parsed.Problem.empty());
    const auto& pts = parsed.Profile->Points();
    ASSERT_EQ(pts.size(), 4u);
    EXPECT_EQ(pts[0].AzimuthDeg, 0.0);
    EXPECT_EQ(pts[0].ElevationDeg, -5.0);
    EXPECT_EQ(pts[1].AzimuthDeg, 90.0);
    EXPECT_EQ(pts[1].ElevationDeg, 10.0);
    EXPECT_EQ(pts[2].AzimuthDeg, 180.0);
    EXPECT_EQ(pts[3].AzimuthDeg, 360.0);
}

struct ElevationCase {
    double AzimuthDeg;
    double ElevationDeg;
};

// Points at 350° (10°), 10° (20°) and 180° (0°): the skyline runs from 350°
// through north to 10°, so north itself is at 15°.
TEST(HorizonInterpolation, WrapsThroughNorth) {
    const HorizonProfile profile({{180, 0}, {10, 20}, {350, 10}});
    const ElevationCase cases[] = {
        {0, 15},  {360, 15}, {355, 12.5}, {5, 17.5}, {-5, 12.5}, {725, 17.5},
        {10, 20}, {95, 10},  {180, 0},    {265, 5},  {350, 10},  {359.999999, 14.99995},
    };
    for (const auto& c : cases) {
        EXPECT_NEAR(profile.ElevationAt(c.AzimuthDeg), c.ElevationDeg, 1e-4)
            << "azimuth " << c.AzimuthDeg;
    }
    EXPECT_TRUE(profile.Hides(0, 14.9));
    EXPECT_FALSE(profile.Hides(0, 15.1));
    EXPECT_FALSE(profile.Hides(180, 0));
}

TEST(HorizonInterpolation, PointsAtZeroAnd360AndAVerticalWall) {
    // A wall at 90°: 2° south of it, 30° from 90° on (equal azimuths keep
    // their order), and both ends of the circle given.
    const HorizonProfile profile({{0, 4}, {90, 2}, {90, 30}, {180, 30}, {360, 4}});
    EXPECT_DOUBLE_EQ(profile.ElevationAt(0), 4);
    EXPECT_DOUBLE_EQ(profile.ElevationAt(45), 3);
    EXPECT_DOUBLE_EQ(profile.ElevationAt(90), 30); // hidden up to the wall's top
    EXPECT_DOUBLE_EQ(profile.ElevationAt(135), 30);
    EXPECT_DOUBLE_EQ(profile.ElevationAt(270), 17);
    EXPECT_DOUBLE_EQ(profile.ElevationAt(359.5), 4 + 26 * 0.5 / 180);

    // Different heights at 0 and 360 make a wall at north: hidden up to its
    // top from either side.
    const HorizonProfile north({{0, 2}, {90, 5}, {270, 0}, {360, 3}});
    EXPECT_DOUBLE_EQ(north.ElevationAt(0), 3);
    EXPECT_DOUBLE_EQ(north.ElevationAt(360), 3);
    EXPECT_TRUE(north.Hides(0, 2.5));
    EXPECT_DOUBLE_EQ(north.ElevationAt(1), 2 + 3 * 1.0 / 90);
}

TEST(HorizonInterpolation, ThreePointsAtOneAzimuthStillAnswerEverywhere) {
    const HorizonProfile profile({{10, 1}, {10, 5}, {10, 3}});
    EXPECT_DOUBLE_EQ(profile.ElevationAt(10), 5);
    EXPECT_DOUBLE_EQ(profile.ElevationAt(190), 2); // from 3 at 10° to 1 at 370°
}

TEST(HorizonOutline, HoldsEveryPointInAzimuthOrderAndFollowsTheProfile) {
    const HorizonProfile profile({{350, 10}, {10.5, 20}, {180, 0}});
    const auto outline = profile.Outline(5);
    ASSERT_EQ(outline.size(), 72u + 3u);
    for (std::size_t i = 1; i < outline.size(); ++i) {
        EXPECT_LE(outline[i - 1].AzimuthDeg, outline[i].AzimuthDeg) << i;
    }
    for (const auto& p : outline) {
        EXPECT_NEAR(p.ElevationDeg, profile.ElevationAt(p.AzimuthDeg), 1e-12) << p.AzimuthDeg;
    }
    EXPECT_EQ(profile.Outline(0).size(), 3600u + 3u); // the step is at least 0.1°
}

} // namespace
} // namespace vantrel
