// The planning sweep under the observing conditions: the classic table
// untouched with both options off, the fixed sources moved by the apparent
// places, refraction lifting every elevation and deciding what is blank, and
// UT1 from an IERS series turning the Sun and the Moon with apparent places.

#include "planner/GridLayout.h"
#include "planner/PlanningSweep.h"
#include "planner/TableText.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

namespace vantrel {
namespace {

/// The Sun and the Moon low over the horizon, rising slowly through it:
/// elevation -0.5 + 0.01 degrees a minute.
class RisingSunMoon final : public SunMoonLibrary {
public:
    void DataToDLL(const DecodedInstant& utc, double, double, double, SunMoonBody b) override {
        minute_ = utc.Hour * 60 + utc.Minute;
        body_ = b;
    }
    double GetAzimuth() override { return body_ == SunMoonBody::Sun ? 120 : 240; }
    double GetElevation() override { return -0.5 + 0.01 * minute_; }
    double GetGHA() override { return 300; }
    double GetDecTopo() override { return -20; }

private:
    int minute_ = 0;
    SunMoonBody body_ = SunMoonBody::Moon;
};

struct Table {
    GridCells grid;
    std::string csv;
};

Table Sweep(const HomeStation& station, const ObservingConditions* conditions,
            PreciseRowSink* precise = nullptr) {
    Table t;
    RisingSunMoon library;
    FixedDaylight daylight(false);
    SweepInputs in;
    in.StartDate = EncodeDate(2026, 12, 9);
    in.EndDate = in.StartDate;
    in.Library = &library;
    in.Daylight = &daylight;
    in.Conditions = conditions;
    LayoutHeader(t.grid, station);
    EXPECT_EQ(RunPlanningSweep(t.grid, station, in, precise), SweepResult::Done);
    t.csv = RenderTable(t.grid, TableFormat::Csv, nullptr);
    return t;
}

HomeStation Amsterdam(std::uint8_t mode, int interval) {
    HomeStation s;
    s.Latitude = 52.37L;
    s.Longitude = 4.90L;
    s.HeightAsl = 2;
    s.DisplayMode = mode;
    s.CalcInterval = interval;
    return s;
}

double Number(GridCells& g, int col, int row) {
    const std::string& text = g.Cell(col, row).Value;
    return text.empty() ? NAN : std::stod(text);
}

TEST(SweepConditions, BothOptionsOffGiveTheClassicTableByteForByte) {
    for (const std::uint8_t mode : {0, 1}) {
        const HomeStation station = Amsterdam(mode, 7);
        ObservingConditions off;
        off.PressureHpa = 700; // the numbers of switched-off options change nothing
        off.FrequencyMHz = 50;
        EXPECT_EQ(Sweep(station, &off).csv, Sweep(station, nullptr).csv) << "mode " << +mode;
    }
}

TEST(SweepConditions, ApparentPlacesMoveEveryFixedSourceByUnderADegree) {
    const HomeStation station = Amsterdam(0, 30);
    ObservingConditions apparent;
    apparent.Apparent = true;
    Table classic = Sweep(station, nullptr);
    Table moved = Sweep(station, &apparent);
    ASSERT_EQ(classic.grid.RowCount(), moved.grid.RowCount());
    int compared = 0;
    for (int r = kFirstSweepRow + 1; r < classic.grid.RowCount(); ++r) {
        for (int c = kFirstPairColumn; c < kMoonColumn; c += 2) {
            const double el0 = Number(classic.grid, c + 1, r);
            const double el1 = Number(moved.grid, c + 1, r);
            if (!(el0 > 5 && el0 < 80 && el1 > 5)) {
                continue; // azimuths near the horizon and the zenith say little
            }
            const double dAz =
                std::remainder(Number(moved.grid, c, r) - Number(classic.grid, c, r), 360.0) *
                std::cos(el0 * M_PI / 180);
            const double onSky = std::hypot(dAz, el1 - el0);
            // Precession since 2000 alone moves these sources by 0.1-0.4 degrees.
            EXPECT_GT(onSky, 0.05) << "row " << r << " column " << c;
            EXPECT_LT(onSky, 0.6) << "row " << r << " column " << c;
            ++compared;
        }
        // The Sun and the Moon are the library's: as before.
        for (int c = kMoonColumn; c < kGridColumns; ++c) {
            EXPECT_EQ(moved.grid.Cell(c, r).Value, classic.grid.Cell(c, r).Value);
        }
    }
    EXPECT_GT(compared, 50);
}

TEST(SweepConditions, RefractionLiftsElevationsAndDecidesTheHorizon) {
    const HomeStation station = Amsterdam(0, 5);
    ObservingConditions refracted;
    refracted.Refraction = true;
    refracted.FrequencyMHz = 10368;
    Table airless = Sweep(station, nullptr);
    Table lifted = Sweep(station, &refracted);
    int sunRowsGained = 0;
    for (int r = kFirstSweepRow + 1; r < airless.grid.RowCount(); ++r) {
        for (int c = kFirstPairColumn + 1; c < kGridColumns; c += 2) {
            const double before = Number(airless.grid, c, r);
            const double after = Number(lifted.grid, c, r);
            if (!std::isnan(before)) {
                // Shown before, shown after, never lower; refraction is under a degree.
                ASSERT_FALSE(std::isnan(after)) << "row " << r << " column " << c;
                EXPECT_GE(after, before) << "row " << r << " column " << c;
                EXPECT_LT(after - before, 1.0) << "row " << r << " column " << c;
            } else if (c == kSunColumn + 1 && !std::isnan(after)) {
                ++sunRowsGained; // airless below, refracted above the horizon
            }
        }
    }
    // The Sun rises through the horizon at 0.05 degrees a row: refraction of
    // some tenths of a degree shows it several rows earlier.
    EXPECT_GE(sunRowsGained, 3);
    EXPECT_LE(sunRowsGained, 20);
}

/// The Sun's unrounded Greenwich hour angle of every row (Polar display).
class SunGha final : public PreciseRowSink {
public:
    std::vector<long double> Gha;
    void Row(const PreciseRow& row) override {
        Gha.push_back(row.Degrees[static_cast<std::size_t>(kSunColumn - kFirstPairColumn)]);
    }
};

// On 9 December 2026 (MJD 61383) the test excerpt gives UT1 − UTC of about
// 0.0353 s (predicted): the Sun's GHA grows by the Earth's rotation in that
// time (0.53″) with apparent places on; with them off the table is the one
// without a series, byte for byte.
TEST(SweepConditions, Ut1FromTheSeriesTurnsTheSunAndTheMoon) {
    const auto series = LoadEarthOrientation(FINALS_EXCERPT).Table;
    ASSERT_TRUE(series);
    const HomeStation station = Amsterdam(1, 60);
    ObservingConditions apparent;
    apparent.Apparent = true;
    ObservingConditions withSeries = apparent;
    withSeries.Ut1 = series;
    SunGha plain;
    SunGha turned;
    Sweep(station, &apparent, &plain);
    Sweep(station, &withSeries, &turned);
    ASSERT_EQ(plain.Gha.size(), turned.Gha.size());
    ASSERT_GE(plain.Gha.size(), 24U);
    for (std::size_t i = 0; i < plain.Gha.size(); ++i) {
        const double mjd = 61383.0 + static_cast<double>(i) / 24.0;
        const double expectedDeg = series->Ut1MinusUtcSeconds(mjd) * 360.98564736629 / 86400.0;
        EXPECT_NEAR(static_cast<double>(turned.Gha[i] - plain.Gha[i]), expectedDeg, 1e-9)
            << "row " << i;
        EXPECT_GT(expectedDeg, 1e-4) << "row " << i; // about half an arcsecond
    }

    ObservingConditions off;
    ObservingConditions offWithSeries;
    offWithSeries.Ut1 = series;
    EXPECT_EQ(Sweep(station, &offWithSeries).csv, Sweep(station, &off).csv);
}

} // namespace
} // namespace vantrel
