// What the procedures leave behind and take in: the scans log and the
// measurement log's new columns, read back whatever happened to the file,
// and vantrel-scan's command line.

#include "measure/MeasurementLog.h"
#include "scan/ScanLog.h"
#include "scan/YFactorSequence.h"
#include "tools/ScanOptions.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/wait.h>
#include <unistd.h>

namespace vantrel::scan {
namespace {

namespace fs = std::filesystem;

class ScanLogFile : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "vantrel-scanlog-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        folder_ = pattern;
        path_ = (folder_ / kScanLogName).string();
    }
    void TearDown() override {
        std::error_code ignored;
        fs::remove_all(folder_, ignored);
    }
    std::string Contents() const {
        std::ifstream in(path_, std::ios::binary);
        std::ostringstream text;
        text << in.rdbuf();
        return text.str();
    }
    static ScanRecord Sample(int i) {
        ScanRecord r;
        r.Utc = "2026-12-10T12:0" + std::to_string(i) + ":00Z";
        r.Procedure = i % 2 == 0 ? "cross" : "drift";
        r.Source = "Cassiopeia-A, \"the\" remnant"; // a comma and quotes
        r.FrequencyMHz = 1420.405;
        r.ElevationDeg = 45.25;
        r.AzOffsetDeg = -0.3512;
        r.AzOffsetSigmaDeg = 0.012;
        if (i % 2 == 0) {
            r.ElOffsetDeg = 0.25;
            r.ElOffsetSigmaDeg = 0.011;
            r.HpbwElDeg = 1.79;
            r.FitChi2El = 1.234;
        } else {
            r.PeakTimeUtc = "2026-12-10T12:00:31.5Z";
        }
        r.HpbwAzDeg = 1.81;
        r.PeakYDb = 6.991;
        r.FitChi2Az = 0.97;
        r.Partial = i == 1;
        r.WidthAzDeg = 1.835;
        if (i % 2 == 0) {
            r.WidthElDeg = 1.816;
            r.DiskDeg = 0.5412;
        }
        r.Antenna = "dish 3 m, efficiency 0.55";
        r.BeamAssumedDeg = 0.675;
        r.TauS = 0.5;
        r.SettleS = 2;
        r.Station = ScanLogStation("PA0ABC", 52.37, -4.9);
        return r;
    }
    fs::path folder_;
    std::string path_;
};

/// Appended records read back as written (to the log's rounding), under one
/// header, whatever the file looked like before; damaged lines cost only
/// themselves.
TEST_F(ScanLogFile, AppendsWithCareAndReadsBack) {
    struct Case {
        const char* Name;
        std::string Before; ///< the file before, "-" for none
        std::size_t Skipped;
    };
    const std::string header(kScanLogHeader);
    const Case cases[] = {
        {"no log yet", "-", 0},
        {"an emptied log", "", 0},
        {"the last line without a break", header + "\n" + ScanLogLine(Sample(3)), 0},
        {"damaged lines",
         header + "\r\n2026-12-10T11:00:00Z,cross\n\"open,quote\nx,cross,Sun,abc,,,,,,,,,,,,\n", 3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        fs::remove(path_);
        if (c.Before != "-") {
            std::ofstream(path_, std::ios::binary) << c.Before;
        }
        ASSERT_FALSE(AppendScanRecord(path_, Sample(0)));
        ASSERT_FALSE(AppendScanRecord(path_, Sample(1)));
        const std::string text = Contents();
        EXPECT_EQ(text.find(header + (c.Before.find("\r\n") != std::string::npos ? "\r\n" : "\n")),
                  0U);
        EXPECT_EQ(text.find(header, 1), std::string::npos); // one header
        ScanLog log;
        ASSERT_FALSE(ReadScanLog(path_, log));
        EXPECT_EQ(log.Skipped.size(), c.Skipped);
        ASSERT_GE(log.Records.size(), 2U);
        const ScanRecord& a = log.Records[log.Records.size() - 2];
        const ScanRecord& b = log.Records.back();
        ScanRecord expected = Sample(0);
        expected.AzOffsetDeg = -0.351; // to a thousandth
        expected.FitChi2El = 1.23;     // χ² to a hundredth
        EXPECT_EQ(a, expected);
        EXPECT_TRUE(b.Partial);
        EXPECT_EQ(b.PeakTimeUtc, "2026-12-10T12:00:31.5Z");
        EXPECT_FALSE(b.ElOffsetDeg);
    }
    // A line of the first version (sixteen fields) reads on, the later
    // columns empty; lines after it carry them.
    const std::string firstVersion =
        "utc,procedure,source,frequency_mhz,elevation_deg,az_offset_deg,az_offset_sigma_deg,"
        "el_offset_deg,el_offset_sigma_deg,hpbw_az_deg,hpbw_el_deg,peak_y_db,fit_chi2_az,"
        "fit_chi2_el,peak_time_utc,status\n"
        "2026-12-09T20:00:00Z,cross,Sun,10368,30.5,-0.1,0.01,0.2,0.01,0.75,0.748,9.1,1.1,0.9,,\n";
    ScanLog old = ParseScanLog(firstVersion + ScanLogLine(Sample(0)) + "\n");
    ASSERT_EQ(old.Records.size(), 2U);
    EXPECT_TRUE(old.Skipped.empty());
    EXPECT_EQ(old.Records[0].HpbwElDeg, 0.748);
    EXPECT_FALSE(old.Records[0].WidthAzDeg || old.Records[0].DiskDeg || old.Records[0].TauS);
    EXPECT_TRUE(old.Records[0].Antenna.empty() && old.Records[0].Station.empty());
    EXPECT_EQ(old.Records[1].Station, "PA0ABC 52.3700N 4.9000W");
    EXPECT_EQ(old.Records[1].DiskDeg, 0.5412);
    // A later column that is not a number costs its line.
    std::string badTau = ScanLogLine(Sample(0));
    const std::size_t tau = badTau.find(",0.5,2,");
    ASSERT_NE(tau, std::string::npos) << badTau;
    badTau.replace(tau, 7, ",half,2,");
    EXPECT_EQ(ParseScanLog(badTau + "\n").Skipped.size(), 1U);
    // Columns of a later version are passed over.
    ScanLog later = ParseScanLog(header + ",more\n" + ScanLogLine(Sample(0)) + ",extra\n");
    EXPECT_EQ(later.Records.size(), 1U);
    EXPECT_TRUE(later.Skipped.empty());
}

/// Two programs logging at once never mix their lines.
TEST_F(ScanLogFile, TwoWritersNeverMixTheirLines) {
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        bool ok = true;
        for (int i = 0; i < 200; ++i) {
            ok = !AppendScanRecord(path_, Sample(1)) && ok;
        }
        ::_exit(ok ? 0 : 1);
    }
    bool ok = true;
    for (int i = 0; i < 200; ++i) {
        ok = !AppendScanRecord(path_, Sample(0)) && ok;
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    EXPECT_TRUE(ok);
    EXPECT_EQ(WEXITSTATUS(status), 0);
    ScanLog log;
    ASSERT_FALSE(ReadScanLog(path_, log));
    EXPECT_EQ(log.Records.size(), 400U);
    EXPECT_TRUE(log.Skipped.empty());
}

/// A Y-factor sequence goes into the measurement log with its method and
/// uncertainties after the status; a record typed by hand keeps the line
/// it always had, and an older log still reads.
TEST(MeasurementLogColumns, MethodAndUncertaintiesAtTheEnd) {
    YFactorResult r;
    r.Pairs = {YPair{30, 23, 0.01, 0.01, 7, "east"}, YPair{30, 23.1, 0.01, 0.01, 6.9, "west"}};
    r.PairsPlanned = 4;
    r.Y = CombinePairs(r.Pairs);
    r.GOverTDbPerK = 19.123;
    r.GOverTSigmaDb = 0.0456;
    r.ElevationDeg = 45.678;
    r.Partial = true;
    const auto record =
        YSequenceRecord(r, 46000.5, "Sun", 10368, "dish 1.2 m, efficiency 0.55", 39.0, 200.0);
    ASSERT_TRUE(record);
    EXPECT_EQ(record->Method, "y-sequence (partial: 2 of 4 pairs)");
    EXPECT_DOUBLE_EQ(record->TsysK, 97.2); // 39 − 19.123 dB, to 0.1 K
    const std::string line = measure::MeasurementLine(*record);
    // The status empty, then the method and the two uncertainties.
    EXPECT_NE(line.find(",6.95,19.12,,y-sequence (partial: 2 of 4 pairs),0.0"), std::string::npos)
        << line;
    EXPECT_TRUE(line.ends_with(",0.046")) << line;
    const auto back = measure::ParseMeasurementLog(std::string(measure::kMeasurementLogHeader) +
                                                   "\n" + line + "\n");
    ASSERT_EQ(back.Records.size(), 1U);
    EXPECT_EQ(back.Records[0], *record);

    measure::MeasurementRecord hand = *record;
    hand.Method.clear();
    hand.YSigmaDb.reset();
    hand.GOverTSigmaDb.reset();
    EXPECT_EQ(measure::MeasurementLine(hand),
              "2025-12-09T12:00:00Z,Sun,45.68,10368,\"dish 1.2 m, efficiency 0.55\",97.2,200,"
              "6.95,19.12,");
    const auto old =
        measure::ParseMeasurementLog(std::string(measure::kMeasurementLogHeaderWithoutMethod) +
                                     "\n" + measure::MeasurementLine(hand) + "\n");
    ASSERT_EQ(old.Records.size(), 1U);
    EXPECT_EQ(old.Records[0], hand);
}

TEST(ScanOptionsTest, ReadsTheCommandLineOrSaysWhy) {
    struct Case {
        const char* Name;
        std::vector<std::string_view> Args;
        const char* Error; ///< a part of it; "" when accepted
    };
    const std::vector<std::string_view> base{"--procedure", "cross",   "--source",  "cas",
                                             "--input",     "command", "--command", "meter"};
    const auto with = [&](std::vector<std::string_view> more) {
        std::vector<std::string_view> all = base;
        all.insert(all.end(), more.begin(), more.end());
        return all;
    };
    const Case cases[] = {
        {"a cross-scan", with({"--hpbw", "1.8", "--span", "2", "--points", "9"}), ""},
        {"a dish's beam", with({"--dish", "3", "--frequency", "1420"}), ""},
        {"no procedure", {"--source", "sun"}, "--procedure y|cross|drift is needed"},
        {"an unknown procedure", with({"--procedure", "grid"}), "is none of y, cross, drift"},
        {"no beam", with({}), "the beam is needed"},
        {"both beams", with({"--hpbw", "2", "--dish", "3", "--frequency", "1420"}), "not both"},
        {"a dish without a frequency", with({"--dish", "3"}), "--dish needs --frequency"},
        {"an efficiency above 1",
         with({"--dish", "3", "--efficiency", "1.5", "--frequency", "1420"}),
         "--efficiency: '1.5'"},
        {"half a pair", with({"--hpbw", "2", "--pairs", "2.5"}), "--pairs: '2.5'"},
        {"too few points", with({"--hpbw", "2", "--points", "5"}), "6 to 201"},
        {"the radiometer's device", with({"--hpbw", "2", "--input-device", "x"}),
         "--input-device does not apply to --input command"},
        {"no radiometer",
         {"--procedure", "cross", "--source", "cas", "--hpbw", "2"},
         "--input sdr|audio|command|rig is needed"},
        {"a duration", with({"--hpbw", "2", "--duration", "5"}), "unknown option '--duration'"},
        {"y without a frequency",
         {"--procedure", "y", "--source", "cas", "--hpbw", "2", "--input", "command", "--command",
          "m"},
         "needs --frequency"},
        {"y on the Sun without its flux",
         {"--procedure", "y", "--source", "sun", "--hpbw", "2", "--frequency", "10368", "--input",
          "command", "--command", "m"},
         "needs --flux-sfu"},
        {"the Sun's flux for another source", with({"--hpbw", "2", "--flux-sfu", "80"}),
         "goes with --source sun"},
        {"an offset", with({"--hpbw", "2", "--offset", "0.4,-0.3"}), ""},
        {"half an offset", with({"--hpbw", "2", "--offset", "0.4"}), "is not AZ,EL"},
        {"an unknown azimuth range", with({"--hpbw", "2", "--az-range", "0:720"}), "0:720"},
        {"a minimum elevation beyond", with({"--hpbw", "2", "--min-elevation", "95"}),
         "--min-elevation: '95'"},
        {"an off point of the sky model for a scan", with({"--hpbw", "2", "--off-point", "colder"}),
         "--off-point goes with --procedure y"},
        {"an unknown off point", with({"--hpbw", "2", "--off-point", "warm"}),
         "is none of alternate, colder, coldest"},
        {"a Tsys of nothing", with({"--hpbw", "2", "--tsys", "0"}), "--tsys: '0'"},
    };
    for (const Case& c : cases) {
        HomeStation station;
        const ParsedScan parsed = ParseScanArguments(c.Args, station);
        if (*c.Error == '\0') {
            EXPECT_EQ(parsed.Error, "") << c.Name;
            continue;
        }
        EXPECT_TRUE(parsed.Error.starts_with("vantrel-scan: ")) << c.Name << ": " << parsed.Error;
        EXPECT_NE(parsed.Error.find(c.Error), std::string::npos) << c.Name << ": " << parsed.Error;
    }
    HomeStation station;
    const ParsedScan dish = ParseScanArguments(
        with({"--dish", "3", "--frequency", "1420", "--offset", "0.4,-0.3", "--tau", "2"}),
        station);
    ASSERT_EQ(dish.Error, "");
    // What the command line leaves out comes from Vanset.ini, as the Scan
    // window has it; what it gives wins.
    const VansetScanDefaults vanset =
        ReadVansetScanDefaults("[Observing]\r\nFrequencyMHz=10368\r\n[Measure]\r\nAntennaKind=0\r\n"
                               "DishDiameterM=3\r\nEfficiency=0.6\r\nGainDbi=20\r\nSolarFlux=95\r\n"
                               "[Track]\r\nFrequencyMHz=1\r\n");
    EXPECT_EQ(vanset.FrequencyMHz, 10368.0);
    EXPECT_EQ(vanset.DishM, 3.0);
    EXPECT_EQ(vanset.Efficiency, 0.6);
    EXPECT_FALSE(vanset.GainDbi); // a dish, not a gain
    EXPECT_EQ(vanset.SolarFluxSfu, 95.0);
    EXPECT_FALSE(vanset.TsysK);
    EXPECT_EQ(ReadVansetScanDefaults("[Measure]\nTsysK=120\n").TsysK, 120.0);
    {
        std::vector<std::string_view> coldest{
            "--procedure", "y", "--source",    "cas", "--input",     "command", "--command", "m",
            "--hpbw",      "2", "--frequency", "144", "--off-point", "coldest", "--tsys",    "250"};
        const ParsedScan sky = ParseScanArguments(coldest, station);
        ASSERT_EQ(sky.Error, "");
        EXPECT_EQ(sky.Options.Scan.OffBy, OffChoice::ColdestSky);
        EXPECT_EQ(sky.Options.TsysK, 250.0);
    }
    const std::vector<std::string_view> ySun{"--procedure", "y",       "--source",  "sun",
                                             "--input",     "command", "--command", "m"};
    EXPECT_NE(ParseScanArguments(ySun, station).Error, ""); // needs them without Vanset.ini
    const ParsedScan fromVanset = ParseScanArguments(ySun, station, vanset);
    ASSERT_EQ(fromVanset.Error, "");
    EXPECT_EQ(fromVanset.Options.Observing.Conditions.FrequencyMHz, 10368.0);
    EXPECT_EQ(fromVanset.Options.DishM, 3.0);
    EXPECT_EQ(fromVanset.Options.SolarFluxSfu, 95.0);
    EXPECT_NEAR(fromVanset.Options.Scan.BeamwidthDeg, 70 * (299.792458 / 10368) / 3, 1e-9);
    std::vector<std::string_view> given = ySun;
    for (const std::string_view a : {"--frequency", "1296", "--hpbw", "5", "--flux-sfu", "70"}) {
        given.push_back(a);
    }
    const ParsedScan commandLine = ParseScanArguments(given, station, vanset);
    ASSERT_EQ(commandLine.Error, "");
    EXPECT_EQ(commandLine.Options.Observing.Conditions.FrequencyMHz, 1296.0);
    EXPECT_FALSE(commandLine.Options.DishM);
    EXPECT_EQ(commandLine.Options.Scan.BeamwidthDeg, 5.0);
    EXPECT_EQ(commandLine.Options.SolarFluxSfu, 70.0);
    const VansetScanDefaults gain =
        ReadVansetScanDefaults("[Observing]\nFrequencyMHz=1296\n[Measure]\nAntennaKind=1\nGainDbi="
                               "30\nSolarFlux=\"245:20,410:30\"\n");
    EXPECT_EQ(gain.GainDbi, 30.0);
    EXPECT_FALSE(gain.DishM);
    EXPECT_FALSE(gain.SolarFluxSfu); // a table is not a number of sfu
    const ParsedScan gainBeam = ParseScanArguments(with({}), station, gain);
    ASSERT_EQ(gainBeam.Error, "");
    EXPECT_EQ(gainBeam.Options.GainDbi, 30.0);
    EXPECT_GT(gainBeam.Options.Scan.BeamwidthDeg, 1.0);

    const ParsedScan limits = ParseScanArguments(
        with({"--hpbw", "2", "--az-range", "-180:180", "--min-elevation", "12.5"}), station);
    ASSERT_EQ(limits.Error, "");
    EXPECT_EQ(limits.Options.Pointing.Range, AzimuthRange::FromMinus180To180);
    EXPECT_EQ(limits.Options.Pointing.MinElevationDeg, 12.5);
    EXPECT_NEAR(dish.Options.Scan.BeamwidthDeg, 70 * (299.792458 / 1420) / 3, 1e-9); // 70 λ/D
    EXPECT_EQ(dish.Options.Scan.TauS, 2);
    EXPECT_EQ(dish.Options.Pointing.AzimuthOffsetDeg, 0.4);
    EXPECT_EQ(dish.Options.Scan.After, AfterEnd::Stop);
}

} // namespace
} // namespace vantrel::scan
