// The observatories' solar flux files read from fixtures in their
// published layouts, and the flux chosen and interpolated from them.

#include "measure/SolarFluxFile.h"
#include "measure/SolarFluxChoice.h"

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <sstream>
#include <string>

namespace m = vantrel::measure;

namespace {

std::string Data(const std::string& name) {
    return std::string(VANTREL_MEASURE_DATA) + "/" + name;
}

m::SolarFluxFileRead Read(const std::string& name) {
    return m::ReadSolarFluxFile(Data(name));
}

double Sfu(const m::StationSpectrum& s, double mhz) {
    for (const m::SolarFluxPoint& p : s.Points) {
        if (p.FrequencyMHz == mhz) {
            return p.Sfu;
        }
    }
    return NAN;
}

double At(int day, int hour, int minute) {
    return m::UtcMinutesOf(2026, 12, day, hour * 60 + minute);
}

} // namespace

struct LayoutCase {
    const char* Name;
    const char* File;
    m::SolarFluxLayout Layout;
    std::size_t Spectra;
    std::size_t BadLines;
    std::size_t Pick; ///< the spectrum checked
    const char* Station;
    int Day, MinuteOfDay;
    std::size_t Points;
    double AtMHz, ExpectSfu;
};

TEST(SolarFluxFile, ReadsEachLayout) {
    const LayoutCase cases[] = {
        // Two days; Palehua all missing on the 9th is left out, San Vito
        // without 1415 MHz on the 10th; Penticton's columns hold 2800 only.
        {"noaa_station_without_a_frequency", "solar_radio_flux.txt",
         m::SolarFluxLayout::NoaaNoonList, 13, 0, 7, "San Vito", 10, 12 * 60, 7, 2695, 128},
        {"noaa_penticton_column", "solar_radio_flux.txt", m::SolarFluxLayout::NoaaNoonList, 13, 0,
         4, "Penticton", 9, 20 * 60, 1, 2800, 132},
        {"noaa_time_from_the_header", "solar_radio_flux.txt", m::SolarFluxLayout::NoaaNoonList, 13,
         0, 11, "Palehua", 10, 23 * 60, 8, 8800, 360},
        // The current indices: their flux block alone, the others passed over.
        {"curind_flux_block", "curind.txt", m::SolarFluxLayout::NoaaNoonList, 7, 0, 2,
         "Sagamore Hill", 10, 17 * 60, 8, 245, 19},
        // "//////" missing, a bad time counted and skipped.
        {"learmonth_missing_values", "L261210.SRD", m::SolarFluxLayout::LearmonthDay, 4, 1, 3,
         "Learmonth", 10, 6 * 60, 6, 15400, 530},
        // All-missing rows left out, "--" is no value: the line is bad.
        {"ncei_station_codes", "noon_flux_2026.txt", m::SolarFluxLayout::NceiYearly, 5, 1, 3,
         "Sagamore Hill", 10, 17 * 60, 8, 245, 19},
        // The observed flux, not the adjusted one; a short time is bad.
        {"penticton_observed_flux", "fluxtable.txt", m::SolarFluxLayout::PentictonTable, 5, 1, 4,
         "Penticton", 10, 20 * 60, 1, 2800, 134},
    };
    for (const LayoutCase& c : cases) {
        SCOPED_TRACE(c.Name);
        const m::SolarFluxFileRead r = Read(c.File);
        ASSERT_FALSE(r.Refused) << *r.Refused;
        EXPECT_EQ(r.Layout, c.Layout);
        ASSERT_EQ(r.Spectra.size(), c.Spectra);
        EXPECT_EQ(r.BadLines, c.BadLines);
        EXPECT_EQ(r.Note.empty(), c.BadLines == 0) << r.Note;
        const m::StationSpectrum& s = r.Spectra[c.Pick];
        EXPECT_EQ(s.Station, c.Station);
        EXPECT_EQ(s.When.Year, 2026);
        EXPECT_EQ(s.When.Month, 12);
        EXPECT_EQ(s.When.Day, c.Day);
        EXPECT_EQ(s.When.MinuteOfDay, c.MinuteOfDay);
        EXPECT_EQ(s.Points.size(), c.Points);
        EXPECT_DOUBLE_EQ(Sfu(s, c.AtMHz), c.ExpectSfu);
    }
}

TEST(SolarFluxFile, RefusesWhatItCannotRead) {
    struct Case {
        const char* Name;
        std::string Text;
        const char* FileName;
        const char* Says;
    } cases[] = {
        {"unknown_layout", "Hello\nworld 1 2 3\n", "notes.txt", "none of the solar flux files"},
        {"empty", "", "solar_radio_flux.txt", "none of the solar flux files"},
        {"learmonth_renamed", "050000 000022 000036 000050 000084 000124 000174 000264 000530\n",
         "learmonth.txt", "LyyMMdd.SRD"},
        {"learmonth_impossible_date",
         "050000 000022 000036 000050 000084 000124 000174 000264 000530\n", "L261232.SRD",
         "LyyMMdd.SRD"},
        {"penticton_without_observed_flux", "fluxdate fluxtime fluxadjflux\n20261210 200000 1\n",
         "fluxtable.txt", "fluxobsflux"},
        {"noaa_all_missing", "2026 Dec 10\n 245 -1 -1\n 410 -1 -1\n", "solar_radio_flux.txt",
         "holds no flux value"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        const m::SolarFluxFileRead r = m::ReadSolarFluxText(c.Text, c.FileName);
        ASSERT_TRUE(r.Refused);
        EXPECT_NE(r.Refused->find(c.Says), std::string::npos) << *r.Refused;
        EXPECT_TRUE(m::ChooseSolarFlux(r, 1296, At(10, 12, 0)).Refused);
    }
    EXPECT_TRUE(m::ReadSolarFluxFile(Data("no_such_file.txt")).Refused);
}

// A station's name goes into a CSV cell and onto a terminal: a comma or a
// control byte from the file must not split the cell or drive the terminal.
TEST(SolarFluxFile, StationNamesKeepTheTableWhole) {
    const m::SolarFluxFileRead r = m::ReadSolarFluxText(
        "#  Freq   Exmouth, WA   Esc\x1b[2J\n#  MHz   0500 UTC   0600 UTC\n2026 Dec 10\n"
        " 1415   82   80\n 2695   122   120\n",
        "solar_radio_flux.txt");
    ASSERT_FALSE(r.Refused) << *r.Refused;
    ASSERT_EQ(r.Spectra.size(), 2U);
    EXPECT_EQ(r.Spectra[0].Station, "Exmouth  WA");
    EXPECT_EQ(r.Spectra[1].Station, "Esc [2J");
    const m::SolarFluxChoice c = m::ChooseSolarFlux(r, 2000, At(10, 5, 0));
    ASSERT_FALSE(c.Refused);
    EXPECT_EQ(c.Note.find(','), std::string::npos) << c.Note;
}

// A power law through two points by hand: at the geometric mean of the two
// frequencies the flux is the geometric mean of the two fluxes.
TEST(SolarFluxChoice, PowerLawBetweenTheTwoFrequencies) {
    const m::SolarFluxFileRead r = Read("solar_radio_flux.txt");
    const double f = std::sqrt(610.0 * 1415.0);
    const m::SolarFluxChoice c = m::ChooseSolarFlux(r, f, At(10, 5, 10));
    ASSERT_FALSE(c.Refused) << *c.Refused;
    EXPECT_EQ(c.Station, "Learmonth");
    EXPECT_EQ(c.LoMHz, 610);
    EXPECT_EQ(c.HiMHz, 1415);
    EXPECT_NEAR(c.Sfu, std::sqrt(49.0 * 82.0), 1e-9);
    EXPECT_NEAR(c.Flux.Jy, c.Sfu * 1e4, 1e-6);
    EXPECT_EQ(c.Flux.Basis, m::FluxBasis::Model);
    // At a frequency of the list: its value.
    const m::SolarFluxChoice at = m::ChooseSolarFlux(r, 1415, At(10, 5, 10));
    EXPECT_DOUBLE_EQ(at.Sfu, 82);
    EXPECT_NE(at.Note.find("Learmonth 2026-12-10 05:00 UTC at 1415 MHz"), std::string::npos)
        << at.Note;
    EXPECT_EQ(c.Note.find(','), std::string::npos) << c.Note;
}

TEST(SolarFluxChoice, StationNearestInTimeWithBothFrequencies) {
    struct Case {
        const char* Name;
        const char* File;
        double MHz;
        double UtcMinutes;
        const char* Station;
        int Day;
        double ExpectSfu; ///< NaN: not checked
    } cases[] = {
        {"sagamore_at_its_noon", "solar_radio_flux.txt", 1415, At(10, 16, 40), "Sagamore Hill", 10,
         80},
        // San Vito is nearest but has no 1415 MHz that day.
        {"skips_the_station_without", "solar_radio_flux.txt", 1415, At(10, 12, 0), "Sagamore Hill",
         10, 80},
        {"san_vito_where_it_has_both", "solar_radio_flux.txt", 2695, At(10, 12, 0), "San Vito", 10,
         128},
        {"the_day_before", "solar_radio_flux.txt", 1415, At(9, 11, 0), "San Vito", 9, 84},
        // Penticton's 2800 MHz column does not cut the 2695-4995 MHz span.
        {"penticton_column_not_a_bracket", "solar_radio_flux.txt", 2750, At(10, 20, 30), "Palehua",
         10, NAN},
        {"learmonth_row_nearest", "L261210.SRD", 1415, At(10, 5, 20), "Learmonth", 10, 84},
        {"ncei_palehua_late", "noon_flux_2026.txt", 8800, At(10, 22, 0), "Palehua", 10, 360},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        const m::SolarFluxChoice ch = m::ChooseSolarFlux(Read(c.File), c.MHz, c.UtcMinutes);
        ASSERT_FALSE(ch.Refused) << *ch.Refused;
        EXPECT_EQ(ch.Station, c.Station);
        EXPECT_EQ(ch.When.Day, c.Day);
        if (!std::isnan(c.ExpectSfu)) {
            EXPECT_DOUBLE_EQ(ch.Sfu, c.ExpectSfu);
        }
    }
}

TEST(SolarFluxChoice, PentictonWithinTenPercentOf2800) {
    const m::SolarFluxFileRead r = Read("fluxtable.txt");
    struct Case {
        double MHz;
        bool Used;
    } cases[] = {{2800, true},  {3080, true},  {2520, true},  {3100, false},
                 {2500, false}, {1296, false}, {10368, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.MHz);
        const m::SolarFluxChoice ch = m::ChooseSolarFlux(r, c.MHz, At(10, 19, 50));
        EXPECT_EQ(!ch.Refused, c.Used);
        if (c.Used) {
            EXPECT_DOUBLE_EQ(ch.Sfu, 134);
            EXPECT_EQ(ch.When.MinuteOfDay, 20 * 60);
        } else {
            EXPECT_NE(ch.Refused->find("2520 to 3080 MHz"), std::string::npos) << *ch.Refused;
        }
    }
}

TEST(SolarFluxChoice, ExtrapolatedBeyondTheListRefusedBeyond100MHzTo30GHz) {
    const m::SolarFluxFileRead r = Read("solar_radio_flux.txt");
    const m::SolarFluxChoice low = m::ChooseSolarFlux(r, 144, At(10, 5, 0));
    ASSERT_FALSE(low.Refused) << *low.Refused;
    EXPECT_EQ(low.Flux.Basis, m::FluxBasis::Extrapolated);
    EXPECT_EQ(low.LoMHz, 245);
    EXPECT_EQ(low.HiMHz, 410);
    // The power law of 245 and 410 MHz extended: one octave of log f below
    // 245 by the same step as 245 to 410.
    const double step = std::log(410.0 / 245.0);
    const double f = 245.0 * std::exp(-step);
    EXPECT_NEAR(m::ChooseSolarFlux(r, f, At(10, 5, 0)).Sfu, 21.0 * 21.0 / 35.0, 1e-9);
    EXPECT_NE(low.Note.find("extrapolated"), std::string::npos) << low.Note;

    const m::SolarFluxChoice high = m::ChooseSolarFlux(r, 24048, At(10, 5, 0));
    ASSERT_FALSE(high.Refused);
    EXPECT_EQ(high.LoMHz, 8800);
    EXPECT_EQ(high.HiMHz, 15400);
    EXPECT_GT(high.Sfu, 525);

    for (const double refused : {99.0, 50.0, 30001.0, 47088.0}) {
        SCOPED_TRACE(refused);
        const m::SolarFluxChoice c = m::ChooseSolarFlux(r, refused, At(10, 5, 0));
        ASSERT_TRUE(c.Refused);
        EXPECT_NE(c.Refused->find("100 MHz to 30 GHz"), std::string::npos) << *c.Refused;
    }
    EXPECT_FALSE(m::ChooseSolarFlux(r, 100, At(10, 5, 0)).Refused);
    EXPECT_FALSE(m::ChooseSolarFlux(r, 30000, At(10, 5, 0)).Refused);
}

// On the 10th Palehua's 8800 MHz is 360 sfu against 257-272 elsewhere.
TEST(SolarFluxChoice, FlagsStationsThatDisagreeByMoreThanTwentyPercent) {
    const m::SolarFluxFileRead r = Read("solar_radio_flux.txt");
    const m::SolarFluxChoice flare = m::ChooseSolarFlux(r, 10368, At(10, 5, 0));
    ASSERT_FALSE(flare.Refused);
    EXPECT_TRUE(flare.Disagree);
    EXPECT_EQ(flare.StationsCompared, 4U);
    EXPECT_NE(flare.Note.find("stations disagree by 40 %"), std::string::npos) << flare.Note;

    // 1296 MHz: 610 and 1415 within 13 %, San Vito (no 1415) not compared.
    const m::SolarFluxChoice quiet = m::ChooseSolarFlux(r, 1296, At(10, 5, 0));
    ASSERT_FALSE(quiet.Refused);
    EXPECT_FALSE(quiet.Disagree);
    EXPECT_EQ(quiet.StationsCompared, 3U);
    // The scatter by hand: the three stations' power laws at 1296 MHz.
    const auto law = [](double s610, double s1415) {
        return s610 * std::pow(1296.0 / 610.0, std::log(s1415 / s610) / std::log(1415.0 / 610.0));
    };
    const double v[3] = {law(49, 82), law(47, 80), law(53, 84)};
    const double mean = (v[0] + v[1] + v[2]) / 3;
    double sq = 0;
    for (double x : v) {
        sq += (x - mean) * (x - mean);
    }
    EXPECT_NEAR(quiet.ScatterPercent, 100 * std::sqrt(sq / 2) / mean, 1e-9);

    // A file of other days: the nearest day's flux, with how far it is.
    const m::SolarFluxChoice late = m::ChooseSolarFlux(r, 1296, At(13, 11, 0));
    ASSERT_FALSE(late.Refused);
    EXPECT_EQ(late.Station, "Palehua");
    EXPECT_EQ(late.When.Day, 10);
    EXPECT_DOUBLE_EQ(late.HoursFromMeasurement, -60.0);
    EXPECT_NE(late.Note.find("observed 2.5 days before the measurement"), std::string::npos)
        << late.Note;
    EXPECT_EQ(quiet.Note.find("observed"), std::string::npos) << quiet.Note;

    // One station alone: no scatter to give.
    const m::SolarFluxChoice alone = m::ChooseSolarFlux(Read("L261210.SRD"), 1296, At(10, 5, 0));
    EXPECT_TRUE(std::isnan(alone.ScatterPercent));
    EXPECT_FALSE(alone.Disagree);
}
