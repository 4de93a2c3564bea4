// vantrel-scan as a user runs it, on the simulated telescope: a real
// rotctld on loopback, the radiometer reading vantrel-sim-telescope through
// the command input, the tool a child process in a folder of its own.

#include "ChildProcess.h"
#include "RotctldServer.h"
#include "SimulatedTelescope.h"

#include "measure/MeasurementLog.h"
#include "measure/YFactor.h"
#include "radiometer/PowerLog.h"
#include "scan/ScanLog.h"
#include "scanwin/ScanSetup.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <numbers>
#include <sstream>
#include <thread>

namespace vantrel {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using testing::ChildProcess;
using Stream = ChildProcess::Stream;

constexpr double kRadPerDeg = std::numbers::pi / 180.0;

class ScanTool : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "vantrel-scantool-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        folder_ = pattern;
        // The Sun in the north-east, rising: its azimuth well inside 0..360
        // for the tool's default azimuth range.
        OrbexSunMoon library;
        station_ = testing::StationWithSunAt(library, SystemUtcNow(), -40.0, 35.0);
        SkyPlaces places(library);
        sun_ = places.At(SkySource::Sun, station_, {}, DecodeInstant(SystemUtcNow()));
        ASSERT_GT(sun_.AzimuthDeg, 15.0);
        ASSERT_LT(sun_.AzimuthDeg, 90.0);
    }
    void TearDown() override {
        std::error_code ignored;
        fs::remove_all(folder_, ignored);
    }

    /// The tool's arguments for `procedure` against `mount`, with `more`.
    std::vector<std::string> Args(const std::string& procedure, const testing::RotctldServer& mount,
                                  const testing::TelescopeTruth& truth,
                                  std::vector<std::string> more) const {
        char lat[32];
        char lon[32];
        std::snprintf(lat, sizeof lat, "%.6Lf", station_.Latitude);
        std::snprintf(lon, sizeof lon, "%.6Lf", station_.Longitude);
        std::vector<std::string> args{
            VANTREL_SCAN_PATH, "--procedure", procedure, "--source", "sun", "--lat", lat, "--lon",
            lon, "--rotator", "2", "--device", mount.Address(), "--input", "command", "--unit",
            "mw", "--command",
            testing::SimTelescopeCommand(mount.Port(), station_, SkySource::Sun, truth, nullptr),
            "--tau", "0.3", "--settle", "0.3",
            // The logs in the test's folder, whatever the user's data folder holds.
            "--data-home=" + folder_.string()};
        args.insert(args.end(), more.begin(), more.end());
        return args;
    }

    static std::vector<std::string> Split(const std::string& line) {
        std::vector<std::string> fields;
        std::istringstream in(line);
        for (std::string f; std::getline(in, f, ',');) {
            fields.push_back(f);
        }
        if (!line.empty() && line.back() == ',') {
            fields.emplace_back();
        }
        return fields;
    }

    fs::path folder_;
    HomeStation station_;
    SkyPlaceDeg sun_;
};

/// A whole sequence: G/T as the simulation has it, with the pointing
/// offset given as tracking would have it, one header and one line, the
/// measurement log written.
TEST_F(ScanTool, YFactorGivesGOverTAndLogsIt) {
    testing::RotctldServer mount;
    // A 1.1245 m dish, efficiency 0.55, at 10368 MHz: a 1.8° beam. The Sun
    // of 200 sfu as the Measure window has it; Tsys 100 K.
    MeasureSetup dish;
    dish.DishDiameterM = 1.1245;
    dish.Efficiency = 0.55;
    dish.SolarFlux = "200";
    ObservingConditions conditions;
    conditions.FrequencyMHz = 10368;
    const measure::AntennaBeam beam = *BeamOf(dish, conditions.FrequencyMHz);
    OrbexSunMoon library;
    const scan::GOverTBasis sun =
        GOverTBasisOf(SkySource::Sun, SystemUtcNow(), station_, conditions, library, dish);
    testing::TelescopeTruth truth;
    truth.BeamDeg = beam.BeamwidthDeg;
    truth.SourceK =
        measure::AntennaTemperatureRiseK(sun.Flux.Jy, beam.EffectiveAreaM2,
                                         measure::BeamCorrection(sun.SourceSizeDeg, truth.BeamDeg));
    const double trueGOverT = beam.GainDbi - measure::RatioToDb(truth.TsysK);
    const double c = std::cos(sun_.ElevationDeg * kRadPerDeg);
    char offset[64];
    std::snprintf(offset, sizeof offset, "%.4f,%.4f", -truth.ErrorAzDeg / c, -truth.ErrorElDeg);
    ChildProcess tool(Args("y", mount, truth,
                           {"--frequency", "10368", "--dish", "1.1245", "--efficiency", "0.55",
                            "--flux-sfu", "200", "--pairs", "2", "--offset", offset}),
                      folder_.string());
    const auto status = tool.WaitForExit(110s);
    ASSERT_TRUE(status) << "still running";
    EXPECT_EQ(*status, 0);
    const auto& out = tool.Lines(Stream::Out);
    ASSERT_EQ(out.size(), 2U);
    EXPECT_TRUE(out[0].starts_with("source,y_db,y_sigma_db,g_over_t_db_per_k,g_over_t_sigma_db"));
    const auto fields = Split(out[1]);
    ASSERT_GE(fields.size(), 8U) << out[1];
    EXPECT_EQ(fields[0], "Sun");
    EXPECT_NEAR(std::atof(fields[3].c_str()), trueGOverT, 0.1) << out[1];
    EXPECT_EQ(fields[5], "2");
    EXPECT_EQ(fields[7], ""); // not partial
    // Progress went to standard error.
    bool saidPairs = false;
    for (const std::string& line : tool.Lines(Stream::Err)) {
        saidPairs = saidPairs || line.find("pair 2 of 2") != std::string::npos;
    }
    EXPECT_TRUE(saidPairs);

    measure::MeasurementLog log;
    ASSERT_FALSE(
        measure::ReadMeasurementLog((folder_ / measure::kMeasurementLogName).string(), log));
    ASSERT_EQ(log.Records.size(), 1U);
    EXPECT_EQ(log.Records[0].Method, "y-sequence");
    EXPECT_EQ(log.Records[0].Antenna, "dish 1.1245 m, efficiency 0.55");
    EXPECT_TRUE(log.Records[0].GOverTSigmaDb);

    // Every block the sequence took is in the power log with its role: two
    // pairs, each an "on" and an "off" reading at least.
    PowerLog power;
    ASSERT_FALSE(ReadPowerLog((folder_ / kPowerLogName).string(), power));
    int on = 0;
    int off = 0;
    for (const PowerRecord& r : power.Records) {
        on += r.Role == "on" ? 1 : 0;
        off += r.Role == "off" ? 1 : 0;
        EXPECT_EQ(r.Source, "sun");
    }
    EXPECT_GE(on, 2) << power.Records.size() << " blocks";
    EXPECT_GE(off, 2);
}

/// Ctrl-C part-way: the rotator stopped, the partial line printed and
/// marked, exit 3, the scan logged as partial.
TEST_F(ScanTool, InterruptStopsTheRotatorAndPrintsThePartialLine) {
    testing::RotctldServer mount;
    testing::TelescopeTruth truth;
    ChildProcess tool(Args("cross", mount, truth, {"--hpbw", "1.8", "--points", "9"}),
                      folder_.string());
    ASSERT_TRUE(tool.WaitForLine(
        Stream::Err,
        [](const std::string& line) {
            return line.find("azimuth point 4 of 9") != std::string::npos;
        },
        90s));
    tool.Signal(SIGINT);
    const auto status = tool.WaitForExit(20s);
    ASSERT_TRUE(status);
    EXPECT_EQ(*status, 3);
    const auto& out = tool.Lines(Stream::Out);
    ASSERT_EQ(out.size(), 2U);
    EXPECT_TRUE(out[0].starts_with("source,az_offset_deg,az_offset_sigma_deg,el_offset_deg"));
    EXPECT_TRUE(out[1].starts_with("Sun,"));
    // The status column, wherever the header puts it (columns are added at
    // the end).
    const auto fields = [](const std::string& line) {
        std::vector<std::string> f(1);
        for (const char c : line) {
            if (c == ',') {
                f.emplace_back();
            } else {
                f.back().push_back(c);
            }
        }
        return f;
    };
    const auto names = fields(out[0]);
    const auto values = fields(out[1]);
    ASSERT_EQ(names.size(), values.size()) << out[1];
    const auto column =
        static_cast<std::size_t>(std::find(names.begin(), names.end(), "status") - names.begin());
    ASSERT_LT(column, names.size());
    EXPECT_EQ(values[column], "partial") << out[1];
    bool saidWhy = false;
    for (const std::string& line : tool.Lines(Stream::Err)) {
        saidWhy = saidWhy || line == "vantrel-scan: stopped: Interrupted.";
    }
    EXPECT_TRUE(saidWhy);

    // The rotator stands still where it was stopped.
    const auto where = [&] {
        ChildProcess rotctl({"rotctl", "-m", "2", "-r", mount.Address(), "p"});
        rotctl.WaitForExit(5s);
        return rotctl.Lines(Stream::Out);
    };
    const auto first = where();
    std::this_thread::sleep_for(600ms);
    EXPECT_EQ(where(), first);
    ASSERT_EQ(first.size(), 2U);

    scan::ScanLog log;
    ASSERT_FALSE(scan::ReadScanLog((folder_ / scan::kScanLogName).string(), log));
    ASSERT_EQ(log.Records.size(), 1U);
    EXPECT_TRUE(log.Records[0].Partial);
    EXPECT_EQ(log.Records[0].Procedure, "cross");
}

} // namespace
} // namespace vantrel
