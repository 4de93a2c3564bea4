// vantrel-observe as a user runs it, on the simulated telescope: a real
// rotctld on loopback, the radiometer reading vantrel-sim-telescope through
// the command input, the tool a child process in a folder of its own, killed
// part-way and run again.

#include "ChildProcess.h"
#include "RotctldServer.h"
#include "SimulatedTelescope.h"

#include "measure/MeasurementLog.h"
#include "measure/YFactor.h"
#include "measurewin/MeasureSetup.h"
#include "radiometer/PowerLog.h"
#include "scan/ScanLog.h"
#include "schedule/ScheduleState.h"

#include <fitsio.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>

namespace vantrel {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using testing::ChildProcess;
using Stream = ChildProcess::Stream;

class ObserveTool : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "vantrel-observe-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        folder_ = pattern;
        fs::create_directory(Fits());
        OrbexSunMoon library;
        station_ = testing::StationWithSunAt(library, SystemUtcNow(), -40.0, 35.0);
    }
    void TearDown() override {
        std::error_code ignored;
        fs::remove_all(folder_, ignored);
    }

    std::string Schedule(const std::string& text) const {
        const std::string path = (folder_ / "night.txt").string();
        std::ofstream(path) << text;
        return path;
    }

    std::vector<std::string> Args(const std::string& schedule, const testing::RotctldServer& mount,
                                  const testing::TelescopeTruth& truth) const {
        char lat[32];
        char lon[32];
        std::snprintf(lat, sizeof lat, "%.6Lf", station_.Latitude);
        std::snprintf(lon, sizeof lon, "%.6Lf", station_.Longitude);
        return {
            VANTREL_OBSERVE_PATH,
            schedule,
            "--lat",
            lat,
            "--lon",
            lon,
            "--rotator",
            "2",
            "--device",
            mount.Address(),
            "--input",
            "command",
            "--unit",
            "mw",
            "--command",
            testing::SimTelescopeCommand(mount.Port(), station_, SkySource::Sun, truth, nullptr),
            "--tau",
            "0.3",
            "--settle",
            "0.3",
            "--hpbw",
            "1.8",
            "--frequency",
            "10368",
            "--flux-sfu",
            "200",
            "--data-home=" + folder_.string(),
            "--fits",
            Fits().string()};
    }

    /// The summary's name=value pairs of an outcome line.
    static std::map<std::string, std::string> Summary(const schedule::StepOutcome& o) {
        std::map<std::string, std::string> values;
        std::size_t at = 0;
        while (at <= o.Summary.size()) {
            const std::size_t end = std::min(o.Summary.find(';', at), o.Summary.size());
            const std::string pair = o.Summary.substr(at, end - at);
            if (const std::size_t eq = pair.find('='); eq != std::string::npos) {
                values[pair.substr(0, eq)] = pair.substr(eq + 1);
            }
            at = end + 1;
        }
        return values;
    }

    static std::vector<schedule::StepOutcome> Outcomes(const ChildProcess& tool) {
        std::vector<schedule::StepOutcome> outcomes;
        const auto& out = tool.Lines(Stream::Out);
        EXPECT_FALSE(out.empty());
        if (!out.empty()) {
            EXPECT_EQ(out[0], schedule::kOutcomeHeader);
        }
        for (std::size_t i = 1; i < out.size(); ++i) {
            const auto o = schedule::OutcomeFromLine(out[i]);
            EXPECT_TRUE(o) << out[i];
            if (o) {
                outcomes.push_back(*o);
            }
        }
        return outcomes;
    }

    fs::path Fits() const { return folder_ / "fits"; }

    /// The FITS files written, by procedure ("grid", "record").
    std::map<std::string, std::vector<fs::path>> FitsFiles() const {
        std::map<std::string, std::vector<fs::path>> files;
        for (const auto& entry : fs::directory_iterator(Fits())) {
            const std::string name = entry.path().filename().string();
            const std::size_t a = name.find('-');
            const std::size_t b = name.find('-', a + 1);
            files[name.substr(a + 1, b - a - 1)].push_back(entry.path());
        }
        return files;
    }

    /// What astropy reads of a FITS file (tests/scan/data/read_scan_fits.py).
    static std::map<std::string, std::string> AstropyReads(const fs::path& file) {
        ChildProcess python(
            {"/usr/bin/python3", VANTREL_SCAN_TEST_DATA "/read_scan_fits.py", file.string()});
        EXPECT_EQ(python.WaitForExit(60s).value_or(-1), 0);
        std::map<std::string, std::string> values;
        for (const std::string& line : python.Lines(Stream::Out)) {
            if (const std::size_t eq = line.find('='); eq != std::string::npos) {
                values[line.substr(0, eq)] = line.substr(eq + 1);
            }
        }
        for (const std::string& line : python.Lines(Stream::Err)) {
            ADD_FAILURE() << "python: " << line;
        }
        return values;
    }

    /// A column of the SCAN table, read with cfitsio.
    static std::vector<double> Column(const fs::path& file, const char* name) {
        fitsfile* f = nullptr;
        int status = 0;
        std::vector<double> values;
        fits_open_table(&f, (file.string() + "[SCAN]").c_str(), READONLY, &status);
        long rows = 0;
        int column = 0;
        fits_get_num_rows(f, &rows, &status);
        fits_get_colnum(f, CASEINSEN, const_cast<char*>(name), &column, &status);
        if (status == 0) {
            values.resize(static_cast<std::size_t>(rows));
            double none = std::nan("");
            int anyNull = 0;
            fits_read_col(f, TDOUBLE, column, 1, 1, rows, &none, values.data(), &anyNull, &status);
        }
        int closing = 0;
        fits_close_file(f, &closing);
        EXPECT_EQ(status, 0) << "cfitsio status " << status << " reading " << name;
        return values;
    }

    fs::path folder_;
    HomeStation station_;
};

/// A night killed with SIGKILL part-way and run again: what ended is
/// reported done-before and not repeated (one measurement, one scan in the
/// logs), the step that was cut off runs from its start, the 5 x 5 grid's
/// 2-D fit found the hidden pointing error and "apply" put them into the
/// Y-factor's pointing, and the power log has no half line.
TEST_F(ObserveTool, ANightKilledPartWayGoesOnWhereItStoppedWithoutRepeatingAStep) {
    testing::RotctldServer mount;
    const testing::TelescopeTruth truth;
    const std::string night = Schedule("# a short night on the simulated telescope\n"
                                       "grid sun size=5 spacing=0.5\n"
                                       "apply\n"
                                       "\n"
                                       "y sun pairs=1   # with the offsets found\n"
                                       "record 1.5\n"
                                       "beamswitch sun 8 throw=3\n"
                                       "park\n");
    {
        ChildProcess first(Args(night, mount, truth), folder_.string());
        ASSERT_TRUE(first.WaitForLine(
            Stream::Err,
            [](const std::string& l) { return l.find("step 4 of 6") != std::string::npos; }, 150s))
            << "the night never reached its fourth step";
        first.Signal(SIGKILL);
        ASSERT_TRUE(first.WaitForExit(5s));
        const auto outcomes = Outcomes(first);
        ASSERT_EQ(outcomes.size(), 3U);
        const auto grid = Summary(outcomes[0]);
        EXPECT_EQ(outcomes[0].Status, schedule::StepStatus::Ok) << outcomes[0].Summary;
        EXPECT_NEAR(std::atof(grid.at("az_offset_deg").c_str()), -truth.ErrorAzDeg, 0.05);
        EXPECT_NEAR(std::atof(grid.at("el_offset_deg").c_str()), -truth.ErrorElDeg, 0.05);
        EXPECT_NEAR(std::atof(grid.at("hpbw_az_deg").c_str()), truth.BeamDeg, 0.1);
        EXPECT_NEAR(std::atof(grid.at("hpbw_el_deg").c_str()), truth.BeamDeg, 0.1);
        EXPECT_EQ(outcomes[1].Status, schedule::StepStatus::Ok) << outcomes[1].Summary;
        // On the source's axis once the offsets are in: Y = 1 + Tsource/Tsys.
        const auto y = Summary(outcomes[2]);
        EXPECT_NEAR(std::atof(y.at("y_db").c_str()),
                    measure::RatioToDb(1 + truth.SourceK / truth.TsysK), 0.2)
            << outcomes[2].Summary;
        EXPECT_EQ(outcomes[2].Line, 5);

        // The grid as a FITS file: read back with cfitsio by column, and
        // with astropy as a user's script reads it.
        const auto files = FitsFiles();
        ASSERT_EQ(files.size(), 1U);
        ASSERT_EQ(files.at("grid").size(), 1U);
        const fs::path file = files.at("grid").front();
        EXPECT_EQ(grid.at("fits"), file.string());
        const std::vector<double> daz = Column(file, "DAZ");
        const std::vector<double> del = Column(file, "DEL");
        ASSERT_EQ(daz.size(), 25U);
        ASSERT_EQ(del.size(), 25U);
        // The lowest row first, crossed one way, the next the other: 0.9° steps.
        EXPECT_NEAR(daz[0], -1.8, 0.1);
        EXPECT_NEAR(daz[4], 1.8, 0.1);
        EXPECT_NEAR(daz[5], 1.8, 0.1);
        EXPECT_NEAR(del[0], -1.8, 0.1);
        EXPECT_NEAR(del[24], 1.8, 0.1);
        auto astropy = AstropyReads(file);
        EXPECT_EQ(astropy["OBJECT"], "Sun");
        EXPECT_EQ(astropy["PROCEDUR"], "grid");
        EXPECT_EQ(astropy["ROWS"], "25");
        EXPECT_EQ(astropy["COLUMNS"], "TIME,AZ,EL,DAZ,DEL,POWER,POWER_DB,SIGMA_DB");
        EXPECT_EQ(astropy["TIME_UNIT"], "d");
        EXPECT_EQ(std::atof(astropy["FREQ"].c_str()), 10368e6);
        EXPECT_EQ(std::atof(astropy["HPBW"].c_str()), 1.8);
        EXPECT_EQ(std::atof(astropy["TAU"].c_str()), 0.3);
        EXPECT_NEAR(std::atof(astropy["AZOFF"].c_str()),
                    std::atof(grid.at("az_offset_deg").c_str()), 0.0006);
        EXPECT_NEAR(std::atof(astropy["SITELAT"].c_str()), static_cast<double>(station_.Latitude),
                    1e-6); // as the command line gave it
        // The readings' times: MJD, within minutes of now.
        EXPECT_NEAR(std::atof(astropy["TIME_MIN"].c_str()), SystemUtcNow() + 15018.0,
                    300 / 86400.0);
        EXPECT_EQ(astropy["POWER_MATCHES_DB"], "True");
    }
    ChildProcess second(Args(night, mount, truth), folder_.string());
    const auto status = second.WaitForExit(90s);
    ASSERT_TRUE(status) << "the second run never ended";
    EXPECT_EQ(*status, 0);
    const auto outcomes = Outcomes(second);
    ASSERT_EQ(outcomes.size(), 6U);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(outcomes[static_cast<std::size_t>(i)].Status, schedule::StepStatus::DoneBefore);
    }
    EXPECT_EQ(outcomes[3].Command, "record 1.5");
    EXPECT_EQ(outcomes[3].Status, schedule::StepStatus::Ok) << outcomes[3].Summary;
    EXPECT_GE(std::atoi(Summary(outcomes[3]).at("blocks").c_str()), 3);
    // Beam switching on the axis, as the Y-factor: its running Y.
    EXPECT_EQ(outcomes[4].Status, schedule::StepStatus::Ok) << outcomes[4].Summary;
    const auto switched = Summary(outcomes[4]);
    EXPECT_GE(std::atoi(switched.at("pairs").c_str()), 2);
    EXPECT_NEAR(std::atof(switched.at("y_db").c_str()),
                measure::RatioToDb(1 + truth.SourceK / truth.TsysK), 0.2)
        << outcomes[4].Summary;
    EXPECT_EQ(outcomes[5].Status, schedule::StepStatus::Ok) << outcomes[5].Summary;

    measure::MeasurementLog measurements;
    ASSERT_FALSE(measure::ReadMeasurementLog((folder_ / measure::kMeasurementLogName).string(),
                                             measurements));
    EXPECT_EQ(measurements.Records.size(), 1U) << "the Y-factor done before is not logged again";
    scan::ScanLog scans;
    ASSERT_FALSE(scan::ReadScanLog((folder_ / scan::kScanLogName).string(), scans));
    EXPECT_EQ(scans.Records.size(), 1U);
    PowerLog power;
    ASSERT_FALSE(ReadPowerLog((folder_ / kPowerLogName).string(), power));
    EXPECT_TRUE(power.Skipped.empty()) << power.Skipped.front();
    int recorded = 0;
    for (const PowerRecord& r : power.Records) {
        recorded += r.Role == "record" ? 1 : 0;
    }
    EXPECT_GE(recorded, 3);
    const auto files = FitsFiles();
    ASSERT_EQ(files.count("grid"), 1U);
    EXPECT_EQ(files.at("grid").size(), 1U) << "the grid done before is not written again";
    ASSERT_EQ(files.count("record"), 1U);
    ASSERT_EQ(files.count("beamswitch"), 1U);
    EXPECT_EQ(Column(files.at("record").front(), "POWER").size(),
              static_cast<std::size_t>(std::atoi(Summary(outcomes[3]).at("blocks").c_str())));
}

/// A noise diode simulated by a flag file the receiver's command reads: the
/// calibration gives the gain in kelvin per milliwatt and the recording's
/// antenna temperature; SIGINT then ends the waiting step as partial, which
/// the state leaves to run again.
TEST_F(ObserveTool, ADiodeCalibratesTheRecordingAndSigintEndsTheStepPartial) {
    testing::RotctldServer mount;
    const fs::path diode = folder_ / "diode";
    // 150 K of system and a 50 K diode at 1000 K per mW.
    // The gain grows slowly (1e-4 a reading): calibrating again during the
    // long recording keeps its kelvin right.
    const std::string receiver =
        "awk -v f='" + diode.string() +
        "' 'BEGIN { for (n = 0;; n++) { on = ((getline x < f) >= 0); close(f); "
        "printf \"%.7f\\n\", (on ? 0.2 : 0.15) * (1 + n * 0.0001); fflush(); "
        "system(\"sleep 0.02\") } }'";
    const std::string night =
        Schedule("cal on\nrecord 1\ncal off\nrecord 4\nwait 60 # interrupted\n");
    std::vector<std::string> args = Args(night, mount, {});
    const auto command = std::find(args.begin(), args.end(), "--command");
    ASSERT_NE(command, args.end());
    *(command + 1) = receiver;
    for (const std::string& a :
         {std::string("--cal-on"), "touch '" + diode.string() + "'", std::string("--cal-off"),
          "rm -f '" + diode.string() + "'", std::string("--cal-k"), std::string("50"),
          std::string("--cal-every"), std::string("0.02")}) {
        args.push_back(a);
    }
    ChildProcess tool(args, folder_.string());
    ASSERT_TRUE(tool.WaitForLine(
        Stream::Err,
        [](const std::string& l) { return l.find("step 5 of 5") != std::string::npos; }, 60s));
    tool.Signal(SIGINT);
    const auto status = tool.WaitForExit(10s);
    ASSERT_TRUE(status);
    EXPECT_EQ(*status, 3);
    const auto outcomes = Outcomes(tool);
    ASSERT_EQ(outcomes.size(), 5U);
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(outcomes[static_cast<std::size_t>(i)].Status, schedule::StepStatus::Ok)
            << outcomes[static_cast<std::size_t>(i)].Summary;
    }
    const auto calOff = Summary(outcomes[2]);
    // 1000 K per mW when the diode was switched; the gain has grown since.
    EXPECT_NEAR(std::atof(calOff.at("gain_k_per_unit").c_str()), 1000, 30) << outcomes[2].Summary;
    EXPECT_NEAR(std::atof(calOff.at("tsys_k").c_str()), 150, 3);
    EXPECT_NEAR(std::atof(Summary(outcomes[1]).at("tant_k").c_str()), 200, 3) << "diode on";
    const auto drifting = Summary(outcomes[3]);
    EXPECT_NEAR(std::atof(drifting.at("tant_k").c_str()), 150, 5) << outcomes[3].Summary;
    EXPECT_GE(std::atoi(drifting.at("calibrations").c_str()), 1) << outcomes[3].Summary;
    EXPECT_EQ(outcomes[4].Status, schedule::StepStatus::Partial);
    EXPECT_EQ(outcomes[4].Summary, "reason=interrupted");
    schedule::ScheduleState state;
    ASSERT_FALSE(schedule::ReadScheduleState(schedule::StatePath(night), state));
    EXPECT_EQ(state.Ended.size(), 4U) << "the interrupted step runs again next time";
    auto astropy = AstropyReads(FitsFiles().at("record").back());
    EXPECT_EQ(astropy["COLUMNS"], "TIME,AZ,EL,DAZ,DEL,POWER,POWER_DB,SIGMA_DB,TANT");
}

/// The simulated telescope that comes with the program: a cross-scan finds
/// its hidden pointing error, and after apply the Y-factor on the Sun gives
/// the G/T it hides (its dish's gain over its 120 K).
TEST_F(ObserveTool, TheSimulatedTelescopeHidesAPointingErrorAndAGOverTThatANightFinds) {
    const std::string night = Schedule("cross sun span=2 points=9\napply\ny sun pairs=2\n");
    char lat[32];
    char lon[32];
    std::snprintf(lat, sizeof lat, "%.6Lf", station_.Latitude);
    std::snprintf(lon, sizeof lon, "%.6Lf", station_.Longitude);
    ChildProcess tool({VANTREL_OBSERVE_PATH,
                       night,
                       "--simulated",
                       "--sim-error",
                       "0.25,-0.15",
                       "--lat",
                       lat,
                       "--lon",
                       lon,
                       "--frequency",
                       "10368",
                       "--dish",
                       "1.1245",
                       "--efficiency",
                       "0.55",
                       "--flux-sfu",
                       "200",
                       "--tau",
                       "0.3",
                       "--settle",
                       "0.3",
                       "--data-home=" + folder_.string()},
                      folder_.string());
    const auto status = tool.WaitForExit(150s);
    ASSERT_TRUE(status) << "the night never ended";
    EXPECT_EQ(*status, 0);
    const auto outcomes = Outcomes(tool);
    ASSERT_EQ(outcomes.size(), 3U);
    const auto cross = Summary(outcomes[0]);
    EXPECT_NEAR(std::atof(cross.at("az_offset_deg").c_str()), -0.25, 0.05) << outcomes[0].Summary;
    EXPECT_NEAR(std::atof(cross.at("el_offset_deg").c_str()), 0.15, 0.05);
    // 70 λ/D of a 1.1245 m dish at 10368 MHz.
    EXPECT_NEAR(std::atof(cross.at("hpbw_az_deg").c_str()), 1.80, 0.1);
    MeasureSetup dish;
    dish.DishDiameterM = 1.1245;
    dish.Efficiency = 0.55;
    const double trueGOverT = BeamOf(dish, 10368)->GainDbi - measure::RatioToDb(120);
    EXPECT_NEAR(std::atof(Summary(outcomes[2]).at("g_over_t_db_per_k").c_str()), trueGOverT, 0.15)
        << outcomes[2].Summary;
}

/// Every line that cannot be used is said with its number, and nothing
/// moves: no output line, exit 2, no state written.
TEST_F(ObserveTool, AScheduleWithBadLinesIsRefusedWholeBeforeAnythingMoves) {
    testing::RotctldServer mount;
    const std::string night = Schedule("cross sun\ntrack vega 60\nwait 10\ncal on\n");
    ChildProcess tool(Args(night, mount, {}), folder_.string());
    const auto status = tool.WaitForExit(10s);
    ASSERT_TRUE(status);
    EXPECT_EQ(*status, 2);
    EXPECT_TRUE(tool.Lines(Stream::Out).empty());
    std::string said;
    for (const std::string& line : tool.Lines(Stream::Err)) {
        said += line + "\n";
    }
    EXPECT_NE(said.find("line 2: 'vega' names no source"), std::string::npos) << said;
    EXPECT_NE(said.find("line 4: cal on needs --cal-on CMD"), std::string::npos) << said;
    EXPECT_FALSE(fs::exists(schedule::StatePath(night)));
}

} // namespace
} // namespace vantrel
