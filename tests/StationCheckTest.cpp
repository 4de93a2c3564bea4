#include "station/StationCheck.h"

#include "planner/GridLayout.h"
#include "planner/PlanningSweep.h"
#include "station/DegreesMinutesSeconds.h"
#include "station/GridLocator.h"
#include "station/Hemisphere.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>
#include <ostream>

namespace vantrel {

void PrintTo(const StationProblem& p, std::ostream* out) {
    *out << DescribeProblem(p);
}

namespace {

constexpr long double kNaN = std::numeric_limits<long double>::quiet_NaN();
constexpr long double kInf = std::numeric_limits<long double>::infinity();

struct FieldCase {
    const char* name;
    std::function<void(HomeStation&)> damage;
    const char* field; ///< nullptr: the value is allowed
    const char* value;
    const char* range;
};

const FieldCase kFieldCases[] = {
    {"latitude 1e30", [](HomeStation& s) { s.Latitude = 1e30L; }, "latitude", "1e+30",
     "-90 to 90 degrees"},
    {"latitude NaN", [](HomeStation& s) { s.Latitude = kNaN; }, "latitude", "NaN",
     "-90 to 90 degrees"},
    {"latitude just beyond the south pole", [](HomeStation& s) { s.Latitude = -90.000001L; },
     "latitude", "-90.000001", "-90 to 90 degrees"},
    {"latitude at the pole", [](HomeStation& s) { s.Latitude = 90; }, nullptr, "", ""},
    {"longitude 180.5", [](HomeStation& s) { s.Longitude = 180.5L; }, "longitude", "180.5",
     "-180 to 180 degrees"},
    {"longitude -infinity", [](HomeStation& s) { s.Longitude = -kInf; }, "longitude", "-inf",
     "-180 to 180 degrees"},
    {"longitude at the date line", [](HomeStation& s) { s.Longitude = -180; }, nullptr, "", ""},
    {"height below the deepest sea", [](HomeStation& s) { s.HeightAsl = -11001; }, "height",
     "-11001", "-11000 to 100000 metres"},
    {"height at the top", [](HomeStation& s) { s.HeightAsl = 100000; }, nullptr, "", ""},
    {"height infinite", [](HomeStation& s) { s.HeightAsl = kInf; }, "height", "inf",
     "-11000 to 100000 metres"},
    {"UTC offset 30 h", [](HomeStation& s) { s.UtcOffset = 30; }, "UTC offset", "30",
     "-23.5 to 23.5 hours"},
    {"UTC offset -24 h", [](HomeStation& s) { s.UtcOffset = -24; }, "UTC offset", "-24",
     "-23.5 to 23.5 hours"},
    {"UTC offset 23.5 h", [](HomeStation& s) { s.UtcOffset = 23.5L; }, nullptr, "", ""},
    {"right ascension 24 h", [](HomeStation& s) { s.UserSourceRa = 24; }, nullptr, "", ""},
    {"right ascension negative", [](HomeStation& s) { s.UserSourceRa = -0.25L; },
     "user source right ascension", "-0.25", "0 to 24 hours"},
    {"right ascension NaN", [](HomeStation& s) { s.UserSourceRa = -kNaN; },
     "user source right ascension", "NaN", "0 to 24 hours"},
    {"declination 90.5", [](HomeStation& s) { s.UserSourceDec = 90.5L; }, "user source declination",
     "90.5", "-90 to 90 degrees"},
    {"source option 3", [](HomeStation& s) { s.SourceOption = 3; }, "noise source option", "3",
     "0 to 2"},
    {"source option -1", [](HomeStation& s) { s.SourceOption = -1; }, "noise source option", "-1",
     "0 to 2"},
    {"interval 0 is the sweep's to refuse", [](HomeStation& s) { s.CalcInterval = 0; }, nullptr, "",
     ""},
    {"hint option 9 behaves as none", [](HomeStation& s) { s.HintOption = 9; }, nullptr, "", ""},
};

HomeStation Sound() {
    HomeStation s;
    s.Latitude = 52.2L;
    s.Longitude = -1.5L;
    s.HeightAsl = 80;
    s.UtcOffset = 1;
    s.UserSourceRa = 18.3L;
    s.UserSourceDec = -16.2L;
    s.CalcInterval = 10;
    s.SourceOption = 2;
    return s;
}

TEST(CheckStation, NamesEachFieldOutOfItsRange) {
    EXPECT_TRUE(CheckStation(Sound()).empty());
    EXPECT_TRUE(CheckStation(HomeStation{}).empty()); // what a missing file leaves
    for (const FieldCase& c : kFieldCases) {
        HomeStation s = Sound();
        c.damage(s);
        const auto problems = CheckStation(s);
        EXPECT_EQ(StationInRange(s), problems.empty()) << c.name;
        if (c.field == nullptr) {
            EXPECT_TRUE(problems.empty()) << c.name << ": " << ProblemsLine(problems);
            continue;
        }
        ASSERT_EQ(problems.size(), 1U) << c.name;
        EXPECT_EQ(problems[0], (StationProblem{c.field, c.value, c.range})) << c.name;
    }
}

TEST(CheckStation, SeveralProblemsMakeOneLineAndOneMessage) {
    HomeStation s = Sound();
    s.Latitude = 1e30L;
    s.UtcOffset = 30;
    s.HeightAsl = kNaN;
    const auto problems = CheckStation(s);
    ASSERT_EQ(problems.size(), 3U);
    EXPECT_EQ(ProblemsLine(problems),
              "the station data is out of range: latitude 1e+30 is out of range (-90 to 90 "
              "degrees); height NaN is out of range (-11000 to 100000 metres); UTC offset 30 is "
              "out of range (-23.5 to 23.5 hours)");
    const std::string message = ProblemsMessage(problems);
    for (const StationProblem& p : problems) {
        EXPECT_NE(message.find("\n" + DescribeProblem(p) + "\n"), std::string::npos) << p.Field;
    }
    EXPECT_EQ(ProblemsParagraph(problems),
              "The Home Set up Data holds values out of range: latitude 1e+30 is out of range "
              "(-90 to 90 degrees); height NaN is out of range (-11000 to 100000 metres); UTC "
              "offset 30 is out of range (-23.5 to 23.5 hours). Positions computed from them are "
              "meaningless. Correct them in Home Data and save.");
    EXPECT_TRUE(ProblemsLine({}).empty());
    EXPECT_TRUE(ProblemsMessage({}).empty());
    EXPECT_TRUE(ProblemsParagraph({}).empty());
}

/// What the Sun and Moon library gives for a station it refuses: NaN.
class RefusingSunMoon final : public SunMoonLibrary {
public:
    void DataToDLL(const DecodedInstant&, double, double, double, SunMoonBody) override {}
    double GetAzimuth() override { return std::nan(""); }
    double GetElevation() override { return std::nan(""); }
    double GetGHA() override { return std::nan(""); }
    double GetDecTopo() override { return std::nan(""); }
};

TEST(CheckStation, DamagedValuesPassThroughTheComputationWithoutHarm) {
    // The reader keeps damaged values, so everything downstream must take
    // them without crashing until the user has been told.
    const long double damaged[] = {kNaN, -kNaN, kInf, -kInf, 1e30L, -1e4000L};
    for (const long double v : damaged) {
        SCOPED_TRACE(static_cast<double>(v));
        const DegreesMinutesSeconds parts = Split(v);
        EXPECT_GE(parts.Minutes, 0);
        EXPECT_LT(parts.Minutes, 60);
        const std::string locator =
            EncodeLocator(parts, parts, LatitudeLetter(v) == 'S', LongitudeLetter(v) == 'E');
        EXPECT_EQ(locator.size(), kLocatorLength);

        HomeStation s;
        s.Latitude = s.Longitude = s.HeightAsl = s.UtcOffset = v;
        s.UserSourceRa = s.UserSourceDec = v;
        s.SourceOption = 2;
        s.CalcInterval = 60;
        EXPECT_FALSE(CheckStation(s).empty());
        for (const std::uint8_t mode : {0, 1}) {
            s.DisplayMode = mode;
            GridCells grid;
            LayoutHeader(grid, s);
            RefusingSunMoon library;
            FixedDaylight noDaylight(false);
            SweepInputs in;
            in.StartDate = EncodeDate(2015, 1, 1);
            in.EndDate = in.StartDate;
            in.Library = &library;
            in.Daylight = &noDaylight;
            ASSERT_EQ(RunPlanningSweep(grid, s, in), SweepResult::Done);
            EXPECT_EQ(grid.RowCount(), 2 + 1 + 24);
        }
    }
}

} // namespace
} // namespace vantrel
