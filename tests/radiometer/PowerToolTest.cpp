// vantrel-power as a user runs it: a child process reading the simulated
// receiver through SoapySDR, its lines, its ending by signal or duration,
// its log, and its exit status for bad arguments and absent inputs.

#include "ChildProcess.h"
#include "SimReceiver.h"

#include "radiometer/PowerLog.h"
#include "radiometer/RadiometerEquation.h"
#include "tools/PowerOptions.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <csignal>
#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>
#include <thread>

namespace vantrel {
namespace {

using namespace std::chrono_literals;
using testing::ChildProcess;
using Stream = ChildProcess::Stream;

constexpr const char* kHeader =
    "utc_start,utc_end,power_db,sigma_db,samples,clipped,scatter_db,rfi_dropped,overload,whole_db";

bool Contains(const std::string& text, std::string_view part) {
    return text.find(part) != std::string::npos;
}

std::vector<std::string> Fields(const std::string& line) {
    std::vector<std::string> fields;
    std::stringstream in(line);
    std::string f;
    while (std::getline(in, f, ',')) {
        fields.push_back(f);
    }
    return fields;
}

std::unique_ptr<ChildProcess> Start(const testing::SimReceiver& sim,
                                    std::vector<std::string> args) {
    args.insert(args.begin(), VANTREL_POWER_PATH);
    // The log in the test's folder, whatever the user's data folder holds.
    args.push_back("--data-home=" + sim.Folder());
    return std::make_unique<ChildProcess>(std::move(args), sim.Folder());
}

TEST(PowerTool, PrintsBlocksOfTheSetPowerSurvivesALostDeviceAndEndsOnSignals) {
    for (const int signal : {SIGINT, SIGTERM}) {
        testing::SimReceiver sim;
        auto tool =
            Start(sim, {"--input", "sdr", "--device", sim.Args("power_db=-30"), "--frequency",
                        "1296", "--rate", "250000", "--gain", "0", "--tau", "0.1"});
        const auto isBlock = [](const std::string& l) { return l.rfind("20", 0) == 0; };
        ASSERT_TRUE(tool->WaitForLine(Stream::Out, isBlock, 10s));
        EXPECT_EQ(tool->Lines(Stream::Out).front(), kHeader);
        const std::vector<std::string> f = Fields(tool->Lines(Stream::Out)[1]);
        ASSERT_GE(f.size(), 6U);
        EXPECT_NEAR(std::stod(f[2]), -30.0, 4 * std::stod(f[3]));
        EXPECT_EQ(f[4], "25000");
        EXPECT_EQ(f[5], "0");

        sim.Control("present=0");
        EXPECT_TRUE(tool->WaitForLine(
            Stream::Err, [](const std::string& l) { return Contains(l, "Trying again"); }, 10s));
        sim.Control("present=1");
        EXPECT_TRUE(tool->WaitForLine(
            Stream::Err, [](const std::string& l) { return Contains(l, "input open again"); },
            10s));
        const std::size_t before = tool->Lines(Stream::Out).size();
        EXPECT_TRUE(tool->WaitForLine(
            Stream::Out,
            [&](const std::string&) { return tool->Lines(Stream::Out).size() > before; }, 10s));

        tool->Signal(signal);
        EXPECT_EQ(tool->WaitForExit(3s), 0) << signal;
        // Every line printed is a block in the log too.
        PowerLog log;
        ASSERT_FALSE(ReadPowerLog(sim.Folder() + "/" + kPowerLogName, log));
        EXPECT_EQ(log.Records.size(), tool->Lines(Stream::Out).size() - 1);
        EXPECT_TRUE(log.Skipped.empty());
        ASSERT_FALSE(log.Records.empty());
        EXPECT_EQ(log.Records[0].Input, "sdr");
        EXPECT_EQ(log.Records[0].FrequencyMHz, 1296.0);
    }
}

/// Ctrl-C in the middle of a long block: the block so far is printed and
/// logged, flagged partial, its σ from the samples it holds; the log's
/// later columns say what the reading depends on.
TEST(PowerTool, CtrlCMidBlockPrintsAndLogsThePartialBlock) {
    testing::SimReceiver sim;
    const std::string device = sim.Args("power_db=-30");
    auto tool = Start(sim, {"--input", "sdr", "--device", device, "--frequency", "1296", "--rate",
                            "250000", "--gain", "0", "--tau", "30"});
    ASSERT_TRUE(tool->WaitForLine(
        Stream::Err, [](const std::string& l) { return Contains(l, "input open"); }, 10s));
    std::this_thread::sleep_for(700ms);
    tool->Signal(SIGINT);
    EXPECT_EQ(tool->WaitForExit(3s), 0);
    const auto& out = tool->Lines(Stream::Out);
    ASSERT_EQ(out.size(), 2U) << "the header and the partial block";
    const std::vector<std::string> f = Fields(out[1]);
    ASSERT_GE(f.size(), 6U);
    EXPECT_NEAR(std::stod(f[2]), -30.0, 4 * std::stod(f[3]));
    PowerLog log;
    ASSERT_FALSE(ReadPowerLog(sim.Folder() + "/" + kPowerLogName, log));
    ASSERT_EQ(log.Records.size(), 1U);
    const PowerRecord& r = log.Records[0];
    EXPECT_TRUE(r.Partial);
    ASSERT_TRUE(r.TauS && r.NoiseBandwidthHz && r.SigmaDb);
    EXPECT_GT(*r.TauS, 0.2);
    EXPECT_LT(*r.TauS, 5.0);
    EXPECT_EQ(r.Samples, static_cast<std::uint64_t>(std::llround(*r.TauS * 250000)));
    EXPECT_NEAR(*r.SigmaDb, RadiometerSigmaDb(*r.NoiseBandwidthHz, *r.TauS), 1e-4);
    EXPECT_EQ(r.GainDb, 0.0);
    EXPECT_EQ(r.RateSps, 250000.0);
    EXPECT_EQ(r.Device, device);
    EXPECT_EQ(r.BandHz, "");
    EXPECT_TRUE(std::any_of(tool->Lines(Stream::Err).begin(), tool->Lines(Stream::Err).end(),
                            [](const std::string& l) { return Contains(l, "partial"); }));
    EXPECT_TRUE(std::any_of(tool->Lines(Stream::Err).begin(), tool->Lines(Stream::Err).end(),
                            [](const std::string& l) {
                                return Contains(l, "; total power: the mean |x|^2 of the whole "
                                                   "sampled band, B 250000 Hz");
                            }));
}

/// --spectrum: each block's averaged spectrum, one row per block under a
/// header of the bins' frequencies, the partial last block's too.
TEST(PowerTool, WritesEachBlocksSpectrumAsARow) {
    testing::SimReceiver sim;
    const std::string file = sim.Folder() + "/spectra.csv";
    auto tool =
        Start(sim, {"--input", "sdr", "--device", sim.Args("power_db=-30"), "--rate", "256000",
                    "--bins", "256", "--tau", "0.2", "--duration", "1.1", "--spectrum", file});
    EXPECT_EQ(tool->WaitForExit(5s), 0);
    const std::size_t blocks = tool->Lines(Stream::Out).size() - 1;
    ASSERT_GE(blocks, 4U);
    std::ifstream in(file);
    std::string line;
    std::vector<std::vector<std::string>> rows;
    while (std::getline(in, line)) {
        rows.push_back(Fields(line));
    }
    ASSERT_EQ(rows.size(), blocks + 1);
    ASSERT_EQ(rows[0].size(), 258U);
    EXPECT_EQ(rows[0][0], "utc_start");
    EXPECT_EQ(rows[0][2], "-128000.000"); // bins of 1 kHz from -rate/2
    EXPECT_EQ(rows[0][257], "127000.000");
    for (std::size_t r = 1; r < rows.size(); ++r) {
        ASSERT_EQ(rows[r].size(), 258U) << r;
        EXPECT_EQ(rows[r][0], Fields(tool->Lines(Stream::Out)[r])[0]) << r;
        // Noise of -30 dBFS spread over 256 bins: -54.1 dB in each.
        EXPECT_NEAR(std::stod(rows[r][100]), -30 - 10 * std::log10(256.0), 1.5) << r;
    }
}

TEST(PowerTool, EndsByItselfAfterTheDuration) {
    testing::SimReceiver sim;
    auto tool =
        Start(sim, {"--input", "command", "--command", "while true; do echo -47; sleep 0.02; done",
                    "--tau", "0.1", "--duration", "0.5"});
    EXPECT_EQ(tool->WaitForExit(5s), 0);
    const auto& out = tool->Lines(Stream::Out);
    ASSERT_GE(out.size(), 3U);
    EXPECT_EQ(Fields(out[1])[2], "-47.000");
}

/// The SDR's samples recorded as SigMF, cut at the size limit: read back as
/// an SDR user's script reads them, the samples' power is the blocks'.
TEST(PowerTool, RecordsTheSamplesAsSigmfUpToItsLimit) {
    testing::SimReceiver sim;
    const std::string base = sim.Folder() + "/night";
    auto tool = Start(sim, {"--input", "sdr", "--device", sim.Args("power_db=-30"), "--frequency",
                            "1296", "--rate", "250000", "--gain", "0", "--tau", "0.2", "--duration",
                            "1.6", "--record", base, "--record-limit", "2"});
    EXPECT_EQ(tool->WaitForExit(10s), 0);
    ChildProcess python({"/usr/bin/python3", VANTREL_RADIOMETER_TEST_DATA "/read_sigmf.py", base});
    ASSERT_EQ(python.WaitForExit(60s).value_or(-1), 0);
    std::map<std::string, std::string> got;
    for (const std::string& line : python.Lines(Stream::Out)) {
        const std::size_t eq = line.find('=');
        got[line.substr(0, eq)] = line.substr(eq + 1);
    }
    EXPECT_EQ(got["DATATYPE"], "cf32_le");
    EXPECT_EQ(std::atof(got["RATE"].c_str()), 250000);
    EXPECT_EQ(got["VERSION"], "1.0.0");
    EXPECT_EQ(got["EXTENSIONS"], "antenna");
    EXPECT_EQ(std::atof(got["FREQUENCY"].c_str()), 1296e6);
    EXPECT_EQ(got["SAMPLES"], "250000") << "2 MB of 8-byte samples";
    EXPECT_NE(got["DESCRIPTION"].find("cut at the size limit"), std::string::npos);
    EXPECT_EQ(got["ANNOTATIONS"], "1");
    EXPECT_EQ(got["FIRST_ANNOTATION_COUNT"], "250000");
    EXPECT_EQ(got["FIRST_ANNOTATION_COMMENT"], "pointing not known");
    EXPECT_NEAR(std::atof(got["POWER_DB"].c_str()), -30.0, 0.2);
    EXPECT_TRUE(got["DATETIME"].starts_with("20")) << got["DATETIME"];
    // The blocks went on after the recording was full.
    EXPECT_GE(tool->Lines(Stream::Out).size(), 7U);
}

TEST(PowerTool, BadArgumentsAndAnAbsentInputGiveOneLineAndStatusTwo) {
    testing::SimReceiver sim;
    sim.Control("present=0");
    const std::vector<std::vector<std::string>> cases = {
        {},
        {"--input", "radio"},
        {"--input", "sdr", "--tau", "0.05"},
        {"--input", "sdr", "--tau", "601"},
        {"--input", "audio", "--gain", "10"},
        {"--input", "command"},
        {"--input", "command", "--command", "true", "--unit", "dbw"},
        {"--input", "sdr", "--band", "5:1"},
        {"--input", "sdr", "--bins", "8"},
        {"--input", "rig", "--rig-model", "0"},
        {"--input", "sdr", "--frobnicate"},
        {"--input", "sdr", "--device", sim.Args()},
        {"--input", "sdr", "--device", "driver=vantrelsim", "--rate", "2e7"},
        {"--input", "command", "--command", "no-such-program-here"},
    };
    for (const auto& args : cases) {
        std::string shown;
        for (const auto& a : args) {
            shown += a + " ";
        }
        auto tool = Start(sim, args);
        EXPECT_EQ(tool->WaitForExit(10s), 2) << shown;
        const auto& err = tool->Lines(Stream::Err);
        ASSERT_FALSE(err.empty()) << shown;
        EXPECT_EQ(err.back().rfind("vantrel-power: ", 0), 0U) << err.back();
        // Nothing but at most the line that the input opened before it.
        EXPECT_LE(err.size(), 3U) << shown << err.back();
        EXPECT_TRUE(tool->Lines(Stream::Out).empty()) << shown;
    }

    // A rigctld that is not running: one sentence, not Hamlib's debug log.
    auto rig = Start(sim, {"--input", "rig", "--device", "127.0.0.1:1"});
    EXPECT_EQ(rig->WaitForExit(10s), 2);
    ASSERT_EQ(rig->Lines(Stream::Err).size(), 1U);
    EXPECT_EQ(rig->Lines(Stream::Err)[0], "vantrel-power: The rig at 127.0.0.1:1 refused the "
                                          "connection: is rigctld running?");
}

TEST(PowerToolOptions, ReadTheIssuesOptionsIntoTheSettings) {
    const std::vector<std::string_view> args = {"--input=audio", "--device",  "hw:1", "--rate",
                                                "44100",         "--channel", "2",    "--band",
                                                "300:2700",      "--tau=30"};
    const ParsedPower p = ParsePowerArguments(args);
    ASSERT_EQ(p.Error, "");
    EXPECT_EQ(p.Options.Input, PowerInputKind::Audio);
    EXPECT_EQ(p.Options.Audio.Device, "hw:1");
    EXPECT_EQ(p.Options.Audio.RateHz, 44100U);
    EXPECT_EQ(p.Options.Audio.Channel, 2U);
    ASSERT_TRUE(p.Options.Integration.Spectrum);
    EXPECT_EQ(p.Options.Integration.Spectrum->Bins, 4096);
    EXPECT_EQ(p.Options.Integration.Spectrum->Band, (BandHz{300, 2700}));
    EXPECT_EQ(p.Options.Integration.TauS, 30);

    const std::vector<std::string_view> edge = {"--input", "rig",         "--tau",
                                                "0.1",     "--rig-model", "1"};
    const ParsedPower q = ParsePowerArguments(edge);
    ASSERT_EQ(q.Error, "");
    EXPECT_EQ(q.Options.Integration.TauS, 0.1);
    EXPECT_EQ(q.Options.Rig.Model, 1);

    // Audio without --band is an SSB receiver's 300-2700 Hz, said on
    // standard error, never half the sample rate with a σ to match.
    const std::vector<std::string_view> plain = {"--input", "audio"};
    const ParsedPower a = ParsePowerArguments(plain);
    ASSERT_EQ(a.Error, "");
    ASSERT_TRUE(a.Options.Integration.Spectrum);
    EXPECT_EQ(a.Options.Integration.Spectrum->Band, (BandHz{300, 2700}));
    ASSERT_EQ(a.Notes.size(), 1U);
    EXPECT_TRUE(Contains(a.Notes[0], "300-2700 Hz"));
    EXPECT_TRUE(p.Notes.empty());

    const std::vector<std::string_view> sdr = {
        "--input",   "sdr",           "--setting", "biastee=true", "--gain-element", "LNA=20",
        "--setting", "direct_samp=2", "--ppm",     "-1.5",         "--gain-element", "MIX=4.5"};
    const ParsedPower d = ParsePowerArguments(sdr);
    ASSERT_EQ(d.Error, "");
    using Setting = std::pair<std::string, std::string>;
    EXPECT_EQ(d.Options.Sdr.Settings,
              (std::vector<Setting>{{"biastee", "true"}, {"direct_samp", "2"}}));
    EXPECT_EQ(d.Options.Sdr.GainElements,
              (std::vector<std::pair<std::string, double>>{{"LNA", 20.0}, {"MIX", 4.5}}));
    EXPECT_EQ(d.Options.Sdr.PpmCorrection, -1.5);

    const std::vector<std::string_view> polled = {"--input", "command", "--command", "curl -s x",
                                                  "--poll",  "2.5",     "--rfi"};
    const ParsedPower c = ParsePowerArguments(polled);
    ASSERT_EQ(c.Error, "");
    EXPECT_EQ(c.Options.Command.PollS, 2.5);
    EXPECT_TRUE(c.Options.Integration.Rfi.Enabled);
    for (const auto& bad :
         {std::vector<std::string_view>{"--input", "sdr", "--poll", "1"},
          std::vector<std::string_view>{"--input", "command", "--command", "x", "--poll", "-1"},
          std::vector<std::string_view>{"--input", "rig", "--rfi=1"}}) {
        EXPECT_NE(ParsePowerArguments(bad).Error, "") << bad.back();
    }
}

} // namespace
} // namespace vantrel
