// The elevation chart's series against the planning grid the same sweep
// writes: every value the chart draws must be the one the table shows, in
// Az/El mode directly and in Polar mode through the conversion to the
// horizon. The real sun/moon library, so the Moon's parallax and the Sun's
// nights are those of the program.

#include "astro/OrbexSunMoon.h"
#include "planner/GridLayout.h"
#include "planner/PlanningSweep.h"
#include "skychart/ElevationCollector.h"
#include "skychart/HorizonCoordinates.h"
#include "skychart/MinMaxDecimation.h"
#include "skychart/TimeTicks.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

namespace vantrel {
namespace {

/// A station in the English Midlands, 1 December 2026 at ten minutes.
struct SeriesSweep {
    HomeStation station;
    OrbexSunMoon library;
    FixedDaylight daylight{false};
    SweepInputs in;
    GridCells grid;

    explicit SeriesSweep(int displayMode, int intervalMin = 10) {
        station.Latitude = 52.2L;
        station.Longitude = -1.5L;
        station.HeightAsl = 80;
        station.UtcOffset = 1;
        station.CalcInterval = intervalMin;
        station.DisplayMode = displayMode;
        in.StartDate = EncodeDate(2026, 12, 1);
        in.EndDate = EncodeDate(2026, 12, 1);
        in.Library = &library;
        in.Daylight = &daylight;
        LayoutHeader(grid, station);
    }
    std::shared_ptr<const ElevationSeries> Run() {
        ElevationCollector collector(
            station, ExpectedSweepRows(in.StartDate, in.EndDate, station.CalcInterval),
            PairTitles(grid));
        EXPECT_EQ(RunPlanningSweep(grid, station, in, &collector), SweepResult::Done);
        return collector.Finish();
    }
    /// Grid rows of the data rows, in order (day rows skipped).
    std::vector<int> DataRows() const {
        std::vector<int> rows;
        for (int r = kFirstSweepRow; r < grid.RowCount(); ++r) {
            const GridCell* c = grid.FindCell(0, r);
            if (c != nullptr && c->AddCols == 0) {
                rows.push_back(r);
            }
        }
        return rows;
    }
    std::string Text(int col, int row) const {
        const GridCell* c = grid.FindCell(col, row);
        return c != nullptr ? c->Value : std::string();
    }
};

double AngleApart(double a, double b) {
    const double d = std::fmod(std::abs(a - b), 360.0);
    return std::min(d, 360.0 - d);
}

std::string HourMinute(DateTime t) {
    const DecodedInstant d = DecodeInstant(t);
    char s[16];
    std::snprintf(s, sizeof s, "%02d%02d", static_cast<int>(d.Hour), static_cast<int>(d.Minute));
    return s;
}

/// Compares every value of the series with the texts of an Az/El grid.
/// `tolerance[s]` in degrees for source s; a blank pair must be below the
/// horizon in the series (by at most the tolerance above it).
void ExpectSeriesShowsGrid(const ElevationSeries& series, const SeriesSweep& azEl,
                           const std::array<double, kElevationSources>& tolerance) {
    const std::vector<int> rows = azEl.DataRows();
    ASSERT_EQ(series.Rows(), rows.size());
    int blanks = 0;
    for (std::size_t k = 0; k < rows.size(); ++k) {
        const int r = rows[k];
        ASSERT_EQ(HourMinute(series.Utc()[k]), azEl.Text(0, r)) << "row " << r;
        ASSERT_EQ(series.LocalOffsetMinutes(k), 60);
        for (int s = 0; s < kElevationSources; ++s) {
            const int col = kFirstPairColumn + 2 * s;
            const double el = series.Elevation(s)[k];
            const double az = series.Azimuth(s)[k];
            const std::string elText = azEl.Text(col + 1, r);
            const double tol = tolerance[static_cast<std::size_t>(s)];
            if (elText.empty()) {
                ++blanks;
                EXPECT_LT(el, tol) << series.Titles()[static_cast<std::size_t>(s)] << " row " << r;
                continue;
            }
            EXPECT_NEAR(el, std::stod(elText), tol)
                << series.Titles()[static_cast<std::size_t>(s)] << " row " << r;
            EXPECT_LE(AngleApart(az, std::stod(azEl.Text(col, r))),
                      // Near the zenith the azimuth swings; none of these
                      // sources comes higher than 80° here.
                      tol + 0.01)
                << series.Titles()[static_cast<std::size_t>(s)] << " row " << r << " az " << az;
        }
    }
    EXPECT_GT(blanks, 0); // the day has sets to check as well
}

TEST(ElevationSeries, AzElRowsAreTheGridsValues) {
    SeriesSweep sweep(0);
    const auto series = sweep.Run();
    EXPECT_EQ(series->Rows(), 144u);
    EXPECT_EQ(series->IntervalMinutes(), 10);
    EXPECT_EQ(series->Titles()[0], "Aquarius");
    EXPECT_EQ(series->Titles()[2], "Cassiopeia-A");
    EXPECT_EQ(series->Titles()[kSunSource], "Sun");
    // The table shows hundredths: the series holds the unrounded degrees.
    std::array<double, kElevationSources> tolerance;
    tolerance.fill(0.005 + 1e-4);
    ExpectSeriesShowsGrid(*series, sweep, tolerance);
}

TEST(ElevationSeries, PolarRowsTurnedToTheHorizonMatchTheAzElGrid) {
    SeriesSweep azEl(0);
    azEl.Run();
    SeriesSweep polar(1);
    const auto series = polar.Run();
    EXPECT_EQ(polar.Text(2, 1), "GHA");
    // Hour angle and declination give back elevation and azimuth to the
    // table's rounding, the library's topocentric Sun and Moon included.
    std::array<double, kElevationSources> tolerance;
    tolerance.fill(0.005 + 1e-4);
    ExpectSeriesShowsGrid(*series, azEl, tolerance);
}

TEST(ElevationSeries, SunBelowTheHorizonCoversTheBlankSunRows) {
    SeriesSweep sweep(0, 1);
    const auto series = sweep.Run();
    ASSERT_EQ(series->Rows(), 1440u);
    // December in England: dark at both ends of the UTC day.
    ASSERT_EQ(series->SunBelowHorizon().size(), 2u);
    EXPECT_EQ(series->SunBelowHorizon().front().Start, series->Utc().front());
    EXPECT_DOUBLE_EQ(series->SunBelowHorizon().back().End, EncodeDate(2026, 12, 2));
    const std::vector<int> rows = sweep.DataRows();
    for (std::size_t k = 0; k < rows.size(); ++k) {
        const DateTime t = series->Utc()[k];
        bool dark = false;
        for (const DarkInterval& d : series->SunBelowHorizon()) {
            dark = dark || (t >= d.Start && t < d.End);
        }
        ASSERT_EQ(dark, sweep.Text(kSunColumn + 1, rows[k]).empty()) << HourMinute(t);
    }
    // Sunrise near 08:00 UTC and sunset near 15:55 UTC at 52° N in December.
    EXPECT_EQ(HourMinute(series->SunBelowHorizon().front().End).substr(0, 2), "08");
    EXPECT_EQ(HourMinute(series->SunBelowHorizon().back().Start).substr(0, 2), "15");
}

TEST(ElevationSeries, ReservesWhatTheSweepWrites) {
    struct Case {
        const char* name;
        int intervalMin;
        int days;
    };
    for (const Case c : {Case{"a day at one minute", 1, 1}, Case{"a week at seven minutes", 7, 7},
                         Case{"a month at one minute", 1, 31}}) {
        SeriesSweep sweep(0, c.intervalMin);
        sweep.in.EndDate = sweep.in.StartDate + c.days - 1;
        const auto series = sweep.Run();
        EXPECT_EQ(series->Rows(),
                  ExpectedSweepRows(sweep.in.StartDate, sweep.in.EndDate, c.intervalMin))
            << c.name;
        EXPECT_EQ(series->Rows(), sweep.DataRows().size()) << c.name;
    }
    EXPECT_EQ(ExpectedSweepRows(10, 9, 5), 1u); // an end before the start: one row
    EXPECT_EQ(ExpectedSweepRows(10, 10, 0), 0u);
}

TEST(ElevationSeries, LocalOffsetFollowsTheDaylightRulesPerRow) {
    /// Summer time from 12:00 UTC on the day.
    class NoonDaylight final : public DaylightRules {
    public:
        bool InForceAt(DateTime utc) const override { return utc - std::floor(utc) >= 0.5; }
    } rules;
    SeriesSweep sweep(0, 60);
    sweep.in.Daylight = &rules;
    const auto series = sweep.Run();
    ASSERT_EQ(series->Rows(), 24u);
    EXPECT_EQ(series->LocalOffsetMinutes(11), 60);
    EXPECT_EQ(series->LocalOffsetMinutes(12), 120);
    EXPECT_EQ(sweep.Text(1, sweep.DataRows()[12]), "1400");
}

// Meeus, Astronomical Algorithms (2nd ed.), example 13.b: Venus from the US
// Naval Observatory on 1987 April 10 at 19:21 UT, H = 64.352133°,
// δ = −6.719892°, φ = 38°55'17" N: A = 68.0337° from the south, h = 15.1249°.
TEST(HorizonCoordinates, AgainstWorkedExamplesAndSpecialPlaces) {
    constexpr double kRad = 3.14159265358979323846 / 180;
    struct Case {
        const char* name;
        double latDeg, lonDeg, ghaDeg, decDeg, elDeg, azDeg, tol;
    };
    const Case cases[] = {
        {"Meeus 13.b", 38 + 55 / 60.0 + 17 / 3600.0, 0, 64.352133, -6.719892, 15.1249,
         68.0337 + 180, 1e-4},
        {"the same, hour angle through the longitude", 38 + 55 / 60.0 + 17 / 3600.0, 77.0,
         64.352133 - 77.0, -6.719892, 15.1249, 248.0337, 1e-4},
        {"on the meridian, south", 52, 0, 0, 10, 48, 180, 1e-9},
        {"on the meridian, north of the zenith", 52, 0, 0, 80, 62, 0, 1e-9},
        {"on the equator, six hours west", 0, 0, 90, 0, 0, 270, 1e-9},
        {"the pole from the equator", 0, 20, 123, 90, 0, 0, 1e-6},
    };
    for (const Case& c : cases) {
        const HorizonPlaceDeg p =
            HorizonFromHourAngle(c.ghaDeg, std::sin(c.decDeg * kRad), std::cos(c.decDeg * kRad),
                                 StationTerms::Of(c.latDeg, c.lonDeg));
        EXPECT_NEAR(p.ElevationDeg, c.elDeg, c.tol) << c.name;
        EXPECT_LE(AngleApart(p.AzimuthDeg, c.azDeg), c.tol) << c.name << " az " << p.AzimuthDeg;
        EXPECT_GE(p.AzimuthDeg, 0) << c.name;
        EXPECT_LT(p.AzimuthDeg, 360) << c.name;
    }
}

TEST(MinMaxDecimation, KeepsEveryPeakAndTroughOfALongCurve) {
    // A month at one minute of a curve with one narrow spike per day.
    std::vector<float> values(44640);
    for (std::size_t i = 0; i < values.size(); ++i) {
        values[i] = static_cast<float>(40 * std::sin(i * 2 * 3.14159265 / 1436));
    }
    values[777] = 89.5F;
    values[30001] = -89.5F;
    std::vector<std::uint32_t> rows;
    MinMaxDecimate(values, 1500, rows);
    EXPECT_LE(rows.size(), 2 * 1500u + 2);
    EXPECT_EQ(rows.front(), 0u);
    EXPECT_EQ(rows.back(), values.size() - 1);
    for (std::size_t i = 1; i < rows.size(); ++i) {
        ASSERT_LT(rows[i - 1], rows[i]);
    }
    auto kept = [&](std::uint32_t r) {
        return std::find(rows.begin(), rows.end(), r) != rows.end();
    };
    EXPECT_TRUE(kept(777));
    EXPECT_TRUE(kept(30001));
    float high = -100;
    float low = 100;
    for (const std::uint32_t r : rows) {
        high = std::max(high, values[r]);
        low = std::min(low, values[r]);
    }
    EXPECT_EQ(high, 89.5F);
    EXPECT_EQ(low, -89.5F);

    // Short curves are drawn whole.
    const std::vector<float> shortCurve{1, 5, 2, 8};
    MinMaxDecimate(shortCurve, 1500, rows);
    EXPECT_EQ(rows, (std::vector<std::uint32_t>{0, 1, 2, 3}));
    MinMaxDecimate({}, 1500, rows);
    EXPECT_TRUE(rows.empty());
}

TEST(TimeTicks, RoundTimesOfTheShownClock) {
    const DateTime day = EncodeDate(2026, 12, 1);
    const auto utc = TimeTicks(day, day + 1, [](DateTime) { return 0; });
    ASSERT_EQ(utc.size(), 13u);
    EXPECT_EQ(utc.front().Label, "1 Dec");
    EXPECT_EQ(utc[1].Label, "02:00");
    EXPECT_EQ(utc.back().Label, "2 Dec");

    // Local time an hour ahead: 02:00 local stands at 01:00 UTC.
    const auto local = TimeTicks(day, day + 1, [](DateTime) { return 60; });
    ASSERT_FALSE(local.empty());
    EXPECT_EQ(local.front().Label, "02:00");
    EXPECT_NEAR(local.front().Utc, day + 1.0 / 24, 1e-9);

    // Summer time from noon UTC: the marks still read round local times.
    const auto summer =
        TimeTicks(day, day + 1, [day](DateTime t) { return t >= day + 0.5 ? 120 : 60; });
    for (const TimeTick& t : summer) {
        const int offset = t.Utc >= day + 0.5 ? 120 : 60;
        const auto shown = std::lround((t.Utc - day) * 1440) + offset;
        EXPECT_EQ(shown % 120, 0) << t.Label;
    }

    const auto week = TimeTicks(day, day + 7, [](DateTime) { return 0; });
    ASSERT_EQ(week.size(), 8u);
    EXPECT_EQ(week[3].Label, "4 Dec");
    EXPECT_TRUE(TimeTicks(day, day, [](DateTime) { return 0; }).empty());
}

} // namespace
} // namespace vantrel
