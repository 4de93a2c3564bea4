// The Qt-free part of the Receiver window: the Y-factor of two blocks, the
// fields and bands as typed, which frequency is said and logged, the strip
// chart's sliding range and time marks, the spectrum's trace, and the
// power log written on a thread of its own into real files.

#include "radiometer/PowerLogWriter.h"
#include "radiometer/YFactorReading.h"
#include "receiverwin/PeriodogramTrace.h"
#include "receiverwin/ReceiverSetup.h"
#include "receiverwin/StripHistory.h"

#include <gtest/gtest.h>

#include <cstdio>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>

namespace vantrel {
namespace {

PowerBlock Block(double db, double sigma, bool overload = false, bool wholeDb = false) {
    PowerBlock b;
    b.PowerDb = db;
    b.SigmaDb = sigma;
    b.Overload = overload;
    b.WholeDbSteps = wholeDb;
    return b;
}

struct YCase {
    const char* Name;
    PowerBlock On;
    PowerBlock Reference;
    double YDb;
    double SigmaDb;      ///< NaN: expected NaN
    const char* Problem; ///< a word of the sentence; "" for none
};

TEST(YFactorReading, OnOverReferenceWithSigmaInQuadratureAndWhyNotForGOverT) {
    const YCase cases[] = {
        {"sun over cold sky", Block(-27.0, 0.003), Block(-30.0, 0.004), 3.0, 0.005, ""},
        {"one reading: sigma unknown", Block(2.0, NAN), Block(1.0, 0.1), 1.0, NAN, ""},
        {"clipped on source", Block(-1.0, 0.003, true), Block(-5.0, 0.003), 4.0,
         std::hypot(0.003, 0.003), "reading on the source was clipped"},
        {"clipped reference", Block(-1.0, 0.003), Block(-5.0, 0.003, true), 4.0,
         std::hypot(0.003, 0.003), "reference was clipped"},
        {"s-meter", Block(12.0, 0.2, false, true), Block(9.0, 0.2, false, true), 3.0,
         std::hypot(0.2, 0.2), "whole dB"},
        {"below the reference", Block(-30.5, 0.003), Block(-30.0, 0.003), -0.5,
         std::hypot(0.003, 0.003), "not above the reference"},
        {"equal to the reference", Block(-30.0, 0.003), Block(-30.0, 0.003), 0.0,
         std::hypot(0.003, 0.003), "not above the reference"},
    };
    for (const YCase& c : cases) {
        SCOPED_TRACE(c.Name);
        const YFactorReading y = YFactorOf(c.On, c.Reference);
        EXPECT_NEAR(y.YDb, c.YDb, 1e-12);
        if (std::isnan(c.SigmaDb)) {
            EXPECT_TRUE(std::isnan(y.SigmaDb)) << y.SigmaDb;
        } else {
            EXPECT_NEAR(y.SigmaDb, c.SigmaDb, 1e-12);
        }
        if (*c.Problem == '\0') {
            EXPECT_EQ(y.Problem, "");
        } else {
            EXPECT_NE(y.Problem.find(c.Problem), std::string::npos) << y.Problem;
        }
    }
}

struct FieldCase {
    const char* Name;
    ReceiverField Field;
    const char* Text;
    bool Accepted;
    std::optional<double> Value;
};

TEST(ReceiverSetup, FieldsTakeTheirRangeAndEmptyOnlyWhereItMeansADefault) {
    using F = ReceiverField;
    const FieldCase cases[] = {
        {"frequency", F::SdrFrequencyMHz, " 1296.5 ", true, 1296.5},
        {"frequency empty: the observing one", F::SdrFrequencyMHz, "  ", true, std::nullopt},
        {"frequency 0", F::SdrFrequencyMHz, "0", false, std::nullopt},
        {"frequency with a comma", F::SdrFrequencyMHz, "1296,5", false, std::nullopt},
        {"rate", F::SdrRateHz, "2.4e6", true, 2.4e6},
        {"rate empty", F::SdrRateHz, "", false, std::nullopt},
        {"rate too low", F::SdrRateHz, "999", false, std::nullopt},
        {"gain negative", F::SdrGainDb, "-10", true, -10.0},
        {"gain plus sign", F::SdrGainDb, "+30", true, 30.0},
        {"gain empty: the device's", F::SdrGainDb, "", true, std::nullopt},
        {"gain nan", F::SdrGainDb, "nan", false, std::nullopt},
        {"audio rate fractional", F::AudioRateHz, "44100.5", false, std::nullopt},
        {"audio rate", F::AudioRateHz, "44100", true, 44100.0},
        {"channel 0", F::AudioChannel, "0", false, std::nullopt},
        {"tau shortest", F::TauS, "0.1", true, 0.1},
        {"tau below", F::TauS, "0.09", false, std::nullopt},
        {"tau longest", F::TauS, "600", true, 600.0},
        {"bins", F::Bins, "4096", true, 4096.0},
        {"bins too few", F::Bins, "15", false, std::nullopt},
        {"rig model", F::RigModel, "2", true, 2.0},
        {"column beyond", F::Column, "1001", false, std::nullopt},
    };
    for (const FieldCase& c : cases) {
        SCOPED_TRACE(c.Name);
        const ParsedReceiverNumber p = ParseReceiverNumber(c.Field, c.Text);
        EXPECT_EQ(p.Problem.empty(), c.Accepted) << p.Problem;
        EXPECT_EQ(p.Value, c.Value);
        if (!c.Accepted) {
            EXPECT_NE(p.Problem.find(" from "), std::string::npos) << p.Problem; // names its range
        }
    }
}

TEST(ReceiverSetup, BandsAreLoColonHiAndReadBackFromTheirText) {
    const struct {
        const char* Text;
        std::optional<BandHz> Band;
        bool Accepted;
    } cases[] = {
        {"300:2700", BandHz{300, 2700}, true},
        {" -900000 : 900000 ", BandHz{-900000, 900000}, true},
        {"", std::nullopt, true},
        {"2700:300", std::nullopt, false},
        {"300", std::nullopt, false},
        {"300:", std::nullopt, false},
        {"a:b", std::nullopt, false},
        {"0:2e9", std::nullopt, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Text);
        const ParsedBand p = ParseBandText(c.Text);
        EXPECT_EQ(p.Problem.empty(), c.Accepted) << p.Problem;
        EXPECT_EQ(p.Band, c.Band);
        if (p.Band) {
            EXPECT_EQ(ParseBandText(BandText(p.Band)).Band, p.Band);
        }
    }
    EXPECT_EQ(BandText(BandHz{-0.5, 2700.25}), "-0.5:2700.25");
}

TEST(ReceiverSetup, SdrSettingsAndGainElementsAreNamedPairsAndReadBackFromTheirText) {
    using Settings = std::vector<std::pair<std::string, std::string>>;
    using Elements = std::vector<std::pair<std::string, double>>;
    const struct {
        const char* Text;
        Settings Pairs;
        bool Accepted;
    } settings[] = {
        {"biastee=true, direct_samp=2", {{"biastee", "true"}, {"direct_samp", "2"}}, true},
        {"  biastee=true ", {{"biastee", "true"}}, true},
        {"", {}, true},
        {"biastee", {}, false},
        {"=true", {}, false},
        {"biastee=", {}, false},
    };
    for (const auto& c : settings) {
        SCOPED_TRACE(c.Text);
        const ParsedSdrSettings p = ParseSdrSettingsText(c.Text);
        EXPECT_EQ(p.Problem.empty(), c.Accepted) << p.Problem;
        EXPECT_EQ(p.Settings, c.Pairs);
        EXPECT_EQ(ParseSdrSettingsText(SdrSettingsText(p.Settings)).Settings, p.Settings);
    }
    const struct {
        const char* Text;
        Elements Pairs;
        bool Accepted;
    } elements[] = {
        {"LNA=20, MIX=4.5", {{"LNA", 20.0}, {"MIX", 4.5}}, true},
        {"TUNER=-3", {{"TUNER", -3.0}}, true},
        {"LNA=loud", {}, false},
        {"LNA=201", {}, false},
        {"LNA=20,MIX", {}, false},
    };
    for (const auto& c : elements) {
        SCOPED_TRACE(c.Text);
        const ParsedGainElements p = ParseGainElementsText(c.Text);
        EXPECT_EQ(p.Problem.empty(), c.Accepted) << p.Problem;
        EXPECT_EQ(p.Elements, c.Pairs);
        EXPECT_EQ(ParseGainElementsText(GainElementsText(p.Elements)).Elements, p.Elements);
    }
}

TEST(ReceiverSetup, TheSdrAndSoundCardAreMeasuredThroughTheSpectrumAndProblemsAreSaid) {
    ReceiverSetup s;
    s.SdrBand = BandHz{-500000, 500000};
    IntegrationSettings i = IntegrationOf(s);
    ASSERT_TRUE(i.Spectrum);
    EXPECT_EQ(i.Spectrum->Band, s.SdrBand);
    EXPECT_EQ(i.Spectrum->Bins, kDefaultReceiverBins);
    s.Input = ReceiverInput::Audio;
    i = IntegrationOf(s);
    ASSERT_TRUE(i.Spectrum);
    EXPECT_EQ(i.Spectrum->Band, (BandHz{300, 2700}));
    s.Input = ReceiverInput::Command;
    EXPECT_FALSE(IntegrationOf(s).Spectrum);
    EXPECT_NE(ReceiverSetupProblem(s).find("command"), std::string::npos);
    s.Command.Command = "echo -40";
    EXPECT_EQ(ReceiverSetupProblem(s), "");
    s.TauS = 0.01;
    EXPECT_NE(ReceiverSetupProblem(s).find("integration time"), std::string::npos);
}

TEST(ReceiverSetup, TheSdrFollowsTheObservingFrequencyAndSaysWhenItDoesNot) {
    ReceiverSetup follows;
    ReceiverSetup own;
    own.Sdr.FrequencyMHz = 144.0;
    ReceiverSetup audio;
    audio.Input = ReceiverInput::Audio;
    const struct {
        const char* Name;
        const ReceiverSetup* Setup;
        double Observing;
        std::optional<double> Tuned;
        const char* Note; ///< a part of it; "" none
        double LoggedMHz;
    } cases[] = {
        {"follows, stopped", &follows, 1296, std::nullopt, "", 1296},
        {"follows, tuned", &follows, 1296, 1296.0000004, "", 1296.0000004},
        {"follows, observing changed", &follows, 2320, 1296,
         "Stop and Start to tune it to 2320 MHz", 1296},
        {"own IF, stopped", &own, 10368, std::nullopt,
         "tunes to 144 MHz, the observing frequency is "
         "10368 MHz",
         10368},
        {"own IF, running", &own, 10368, 144, "is tuned to 144 MHz", 10368},
        {"own equals observing", &own, 144, 144, "", 144},
        {"audio", &audio, 1296, std::nullopt, "", 1296},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        const std::string note = FrequencyNote(*c.Setup, c.Observing, c.Tuned);
        if (*c.Note == '\0') {
            EXPECT_EQ(note, "");
        } else {
            EXPECT_NE(note.find(c.Note), std::string::npos) << note;
        }
        EXPECT_DOUBLE_EQ(LoggedFrequencyMHz(*c.Setup, c.Observing, c.Tuned), c.LoggedMHz);
    }
}

TEST(StripHistory, KeepsTheLastSpanAndItsRangeAsGoingOverAllPointsWould) {
    std::mt19937 random(7);
    std::uniform_real_distribution<double> value(-40.0, -20.0);
    std::uniform_real_distribution<double> step(0.0, 3.0);
    StripHistory strip(60.0);
    std::vector<std::pair<double, double>> all;
    double t = 0;
    std::size_t kept = 0;
    for (int i = 0; i < 5000; ++i) {
        t += i % 500 == 499 ? 200.0 : step(random); // now and then a pause longer than the span
        const double v = value(random);
        all.emplace_back(t, v);
        const std::size_t dropped = strip.Add(t, v);
        kept = kept + 1 - dropped;
        std::size_t inSpan = 0;
        double lo = 1e9;
        double hi = -1e9;
        for (const auto& [pt, pv] : all) {
            if (pt >= t - 60.0) {
                ++inSpan;
                lo = std::min(lo, pv);
                hi = std::max(hi, pv);
            }
        }
        ASSERT_EQ(kept, inSpan) << "point " << i;
        ASSERT_EQ(strip.Size(), inSpan);
        ASSERT_TRUE(strip.Range());
        ASSERT_EQ(strip.Range()->first, lo) << "point " << i;
        ASSERT_EQ(strip.Range()->second, hi) << "point " << i;
    }
}

TEST(StripHistory, TheLineBreaksWhereNoBlocksCameNeverBetweenBlocksThatFollow) {
    constexpr double kDay = 86400.0;
    const struct {
        const char* Name;
        double GapS;
        double TauS;
        bool Breaks;
    } rows[] = {
        {"blocks that follow each other", 0.0, 1.0, false},
        {"a rounding of the sample clock", 1e-6, 0.1, false},
        {"a block dropped for lost samples", 1.0, 1.0, true},
        {"readings that stopped for two windows", 2.0, 1.0, true},
        {"a new run a second later", 1.0, 30.0, false},
        {"a new run a minute later", 60.0, 30.0, true},
    };
    for (const auto& r : rows) {
        EXPECT_EQ(StripGap(46000.0, 46000.0 + r.GapS / kDay, r.TauS), r.Breaks) << r.Name;
    }
}

TEST(StripHistory, TimeMarksAreWholeStepsFewEnough) {
    // 2026-12-09 23:55:30 to 00:05:30 the next day: across midnight.
    const DateTime first = EncodeDateTime(2026, 12, 9, 23, 55, 30);
    const DateTime last = first + 10.0 / 1440.0;
    const std::vector<StripMark> marks = StripTimeMarks(first, last, 6);
    ASSERT_EQ(marks.size(), 5u); // every 2 minutes: 23:56 ... 00:04
    EXPECT_EQ(marks.front().Label, "23:56");
    EXPECT_EQ(marks[2].Label, "00:00");
    EXPECT_EQ(marks.back().Label, "00:04");
    for (const StripMark& m : marks) {
        EXPECT_GE(m.Utc, first);
        EXPECT_LE(m.Utc, last);
    }
    EXPECT_EQ(StripTimeMarks(first, last, 11).size(), 10u); // every minute
    // A minute and a half: every 30 s, to the second.
    const std::vector<StripMark> short_ = StripTimeMarks(first, first + 1.5 / 1440.0, 6);
    ASSERT_EQ(short_.size(), 4u);
    EXPECT_EQ(short_.front().Label, "23:55:30");
    EXPECT_EQ(short_.back().Label, "23:57:00");
    EXPECT_TRUE(StripTimeMarks(last, first, 6).empty());
}

TEST(PeriodogramTrace, GroupsBinsInLinearPowerAndShadesTheRunsMeasured) {
    SpectrumSnapshot s;
    s.FirstBinHz = -4000;
    s.BinHz = 1000;
    // Nine bins: DC (bin 4) left out, bin 6 dropped by the filter, the edges out.
    s.PowerDb = {-30, -30, -20, -20, 0, -30, -10, -30, -30};
    s.Use = {0, 1, 1, 1, 0, 1, 2, 1, 0};
    const PeriodogramTrace all = TraceOf(s, 100);
    ASSERT_EQ(all.Hz.size(), 9u);
    EXPECT_DOUBLE_EQ(all.Hz.front(), -4000);
    EXPECT_DOUBLE_EQ(all.Hz.back(), 4000);
    ASSERT_EQ(all.Used.size(), 2u);
    EXPECT_EQ(all.Used[0], (BandHz{-3500, -500}));
    EXPECT_EQ(all.Used[1], (BandHz{500, 3500}));
    ASSERT_EQ(all.DroppedHz.size(), 1u);
    EXPECT_DOUBLE_EQ(all.DroppedHz[0], 2000);
    EXPECT_DOUBLE_EQ(all.DroppedDb[0], -10);
    EXPECT_DOUBLE_EQ(all.LowDb, -30);
    EXPECT_DOUBLE_EQ(all.HighDb, 0);

    // Three points of three bins: the mean of their linear powers.
    const PeriodogramTrace three = TraceOf(s, 3);
    ASSERT_EQ(three.Hz.size(), 3u);
    EXPECT_DOUBLE_EQ(three.Hz[0], -3000);
    EXPECT_NEAR(three.Db[0], 10 * std::log10((1e-3 + 1e-3 + 1e-2) / 3), 1e-9);
    EXPECT_NEAR(three.Db[1], 10 * std::log10((1e-2 + 1 + 1e-3) / 3), 1e-9);

    // A silent input: every bin at the floor, no NaN or infinity drawn.
    SpectrumSnapshot silent = s;
    std::fill(silent.PowerDb.begin(), silent.PowerDb.end(), -INFINITY);
    for (double db : TraceOf(silent, 4).Db) {
        EXPECT_TRUE(std::isfinite(db));
    }
}

/// A folder of the test's own, removed at the end.
struct TempFolder {
    std::filesystem::path Path;
    TempFolder() {
        char pattern[] = "/tmp/vantrel-receiver-XXXXXX";
        Path = ::mkdtemp(pattern);
    }
    ~TempFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(Path, ignored);
    }
};

PowerRecord Record(int i) {
    PowerBlock b;
    b.UtcStart = EncodeDateTime(2026, 12, 9, 12, 0, i);
    b.UtcEnd = b.UtcStart + 1.0 / 86400.0;
    b.PowerDb = -30.0 + i * 0.001;
    b.SigmaDb = 0.003;
    b.Samples = 2400000;
    return PowerRecordOf(b, "sdr", 1296, i % 2 == 0 ? PowerMark::Off : PowerMark::On);
}

TEST(PeriodogramTrace, FrequencyAxisLabelsTellNeighbouringMarksApart) {
    const struct {
        double SpanMHz;
        int Decimals;
    } rows[] = {
        {2.4, 2},    // 0.6 MHz steps
        {0.25, 3},   // 62.5 kHz steps: 1295.875, 1295.938 ...
        {0.0024, 5}, // 600 Hz steps
        {100.0, 0},  // 25 MHz steps
        {0.0, 0},    // nothing to tell apart
    };
    for (const auto& r : rows) {
        const int d = FrequencyAxisDecimals(r.SpanMHz, 5);
        EXPECT_EQ(d, r.Decimals) << r.SpanMHz;
        if (r.SpanMHz > 0) {
            // Two neighbouring marks at a sky frequency read differently.
            char a[64];
            char b[64];
            std::snprintf(a, sizeof a, "%.*f", d, 1296.0);
            std::snprintf(b, sizeof b, "%.*f", d, 1296.0 + r.SpanMHz / 4);
            EXPECT_STRNE(a, b) << r.SpanMHz;
        }
    }
}

TEST(PowerLogWriter, AppendsInOrderAndKeepsWhatItCannotWriteUntilItCan) {
    TempFolder temp;
    // The log's folder does not exist yet: every write fails until it does.
    const std::filesystem::path folder = temp.Path / "data";
    const std::string path = (folder / kPowerLogName).string();
    std::atomic<int> wakes{0};
    PowerLogWriter writer(
        path, [&wakes] { ++wakes; }, std::chrono::milliseconds(50));
    for (int i = 0; i < 5; ++i) {
        writer.Append(Record(i));
    }
    EXPECT_FALSE(writer.Flush(std::chrono::seconds(5)));
    const std::vector<std::string> problems = writer.TakeProblems();
    ASSERT_EQ(problems.size(), 1u); // told once, not for every record
    EXPECT_NE(problems[0].find("tries again"), std::string::npos) << problems[0];
    EXPECT_GE(wakes.load(), 1);
    EXPECT_EQ(writer.Written(), 0u);
    EXPECT_EQ(writer.Waiting(), 5u);

    std::filesystem::create_directory(folder);
    for (int i = 5; i < 8; ++i) {
        writer.Append(Record(i));
    }
    EXPECT_TRUE(writer.Flush(std::chrono::seconds(5)));
    EXPECT_EQ(writer.Written(), 8u);
    EXPECT_TRUE(writer.TakeProblems().empty());

    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    PowerLog log = ParsePowerLog(text.str());
    EXPECT_TRUE(log.Skipped.empty());
    ASSERT_EQ(log.Records.size(), 8u);
    for (int i = 0; i < 8; ++i) {
        EXPECT_EQ(log.Records[static_cast<std::size_t>(i)], Record(i)) << i; // none lost, in order
    }
}

TEST(PowerLogWriter, TheEndWritesWhatWaits) {
    TempFolder temp;
    const std::string path = (temp.Path / kPowerLogName).string();
    {
        PowerLogWriter writer(path);
        for (int i = 0; i < 200; ++i) {
            writer.Append(Record(i % 60));
        }
    }
    PowerLog log;
    ASSERT_FALSE(ReadPowerLog(path, log));
    EXPECT_EQ(log.Records.size(), 200u);
}

} // namespace
} // namespace vantrel
