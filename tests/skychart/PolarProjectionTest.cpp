#include "skychart/PolarProjection.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

namespace vantrel {
namespace {

constexpr double kTolerance = 1e-12; // dimensionless, and degrees on the way back

struct ProjectionCase {
    std::string Name;
    double AzimuthDeg;
    double ElevationDeg;
    ChartOrientation Orientation;
    double X;
    double Y;
};

class ProjectionOrientation : public ::testing::TestWithParam<ProjectionCase> {};

// North is up in both orientations; east is to the left as the sky is seen
// from below, to the right as on a map; the zenith in the centre, the
// horizon on the rim, 45° elevation half-way.
TEST_P(ProjectionOrientation, PutsThePlaceWhereTheUserLooksForIt) {
    const ProjectionCase& c = GetParam();
    const DiskPoint p = ProjectSky(c.AzimuthDeg, c.ElevationDeg, c.Orientation);
    EXPECT_NEAR(p.X, c.X, kTolerance) << "expected " << c.X << " got " << p.X;
    EXPECT_NEAR(p.Y, c.Y, kTolerance) << "expected " << c.Y << " got " << p.Y;
}

const double kHalfRootTwo = std::sqrt(0.5);

INSTANTIATE_TEST_SUITE_P(
    Chart, ProjectionOrientation,
    ::testing::Values(
        ProjectionCase{"NorthOnRimIsUp", 0, 0, ChartOrientation::EastLeft, 0, 1},
        ProjectionCase{"NorthOnRimIsUpOnMap", 0, 0, ChartOrientation::EastRight, 0, 1},
        ProjectionCase{"EastIsLeftFromBelow", 90, 0, ChartOrientation::EastLeft, -1, 0},
        ProjectionCase{"EastIsRightOnMap", 90, 0, ChartOrientation::EastRight, 1, 0},
        ProjectionCase{"SouthIsDown", 180, 0, ChartOrientation::EastLeft, 0, -1},
        ProjectionCase{"WestIsRightFromBelow", 270, 0, ChartOrientation::EastLeft, 1, 0},
        ProjectionCase{"WestIsLeftOnMap", 270, 0, ChartOrientation::EastRight, -1, 0},
        ProjectionCase{"ZenithInTheCentre", 123, 90, ChartOrientation::EastLeft, 0, 0},
        ProjectionCase{"FortyFiveHalfWay", 90, 45, ChartOrientation::EastRight, 0.5, 0},
        ProjectionCase{"SouthEastSixty", 135, 60, ChartOrientation::EastLeft, -kHalfRootTwo / 3,
                       -kHalfRootTwo / 3},
        ProjectionCase{"AzimuthWrapsThrough360", 450, 0, ChartOrientation::EastRight, 1, 0},
        ProjectionCase{"BelowHorizonOutsideRim", 0, -9, ChartOrientation::EastLeft, 0, 1.1}),
    [](const auto& info) { return info.param.Name; });

TEST(ProjectionRoundTrip, GivesBackTheSkyPlaceInBothOrientations) {
    for (const ChartOrientation o : {ChartOrientation::EastLeft, ChartOrientation::EastRight}) {
        for (double el = 0; el < 90; el += 7.5) {
            for (double az = 0; az < 360; az += 11.25) {
                const auto back = UnprojectSky(ProjectSky(az, el, o), o);
                ASSERT_TRUE(back.has_value()) << az << " " << el;
                EXPECT_NEAR(back->ElevationDeg, el, 1e-9) << "az " << az;
                double dAz = std::remainder(back->AzimuthDeg - az, 360.0);
                EXPECT_NEAR(dAz, 0.0, 1e-9)
                    << "az " << az << " el " << el << " got " << back->AzimuthDeg;
                EXPECT_GE(back->AzimuthDeg, 0.0);
                EXPECT_LT(back->AzimuthDeg, 360.0);
            }
        }
    }
}

TEST(ProjectionRoundTrip, ZenithReadsAsAzimuthZero) {
    const auto z = UnprojectSky({0, 0}, ChartOrientation::EastLeft);
    ASSERT_TRUE(z.has_value());
    EXPECT_EQ(z->AzimuthDeg, 0.0);
    EXPECT_EQ(z->ElevationDeg, 90.0);
}

TEST(ProjectionRoundTrip, NothingOutsideTheHorizonOrForNonNumbers) {
    EXPECT_FALSE(UnprojectSky({0.8, 0.8}, ChartOrientation::EastLeft).has_value());
    EXPECT_FALSE(UnprojectSky({NAN, 0}, ChartOrientation::EastLeft).has_value());
    EXPECT_FALSE(UnprojectSky({INFINITY, 0}, ChartOrientation::EastRight).has_value());
    const auto rim = UnprojectSky({0, -1}, ChartOrientation::EastRight);
    ASSERT_TRUE(rim.has_value());
    EXPECT_NEAR(rim->AzimuthDeg, 180.0, kTolerance);
    EXPECT_NEAR(rim->ElevationDeg, 0.0, kTolerance);
}

} // namespace
} // namespace vantrel
