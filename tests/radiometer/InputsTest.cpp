// The inputs through the runner, against real parts: the simulated receiver
// as a SoapySDR module, ALSA's file plugin reading generated PCM, a shell
// script as a power meter, and a real rigctld with Hamlib's dummy rig.

#include "RotctldServer.h"
#include "SimReceiver.h"

#include "radiometer/AudioInput.h"
#include "radiometer/CommandInput.h"
#include "radiometer/PowerRunner.h"
#include "radiometer/RigInput.h"
#include "radiometer/SdrInput.h"

#include <alsa/asoundlib.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <numbers>
#include <numeric>
#include <random>
#include <thread>

namespace vantrel {
namespace {

using namespace std::chrono_literals;

/// Retries come quickly in tests.
constexpr InputRetry kQuickRetry{100ms, 400ms, 2.0};
/// How far a block may lie from the truth: in units of its own σ.
constexpr double kSigmas = 4.0;

/// What a runner handed over while the test waited.
struct Taken {
    std::vector<PowerBlock> Blocks;
    std::vector<RunnerEvent> Events;

    bool HasEvent(RunnerEvent::Kind kind, std::string_view part) const {
        return std::any_of(Events.begin(), Events.end(), [&](const RunnerEvent& e) {
            return e.What == kind && e.Text.find(part) != std::string::npos;
        });
    }
};

/// Takes from `runner` until `done` says so or `limit` passes.
void TakeUntil(PowerRunner& runner, Taken& taken, const std::function<bool()>& done,
               std::chrono::milliseconds limit) {
    const auto end = std::chrono::steady_clock::now() + limit;
    while (!done() && std::chrono::steady_clock::now() < end) {
        runner.Wait(50ms);
        for (PowerBlock& b : runner.TakeBlocks()) {
            taken.Blocks.push_back(std::move(b));
        }
        for (RunnerEvent& e : runner.TakeEvents()) {
            taken.Events.push_back(std::move(e));
        }
    }
}

Taken TakeBlocks(PowerRunner& runner, std::size_t count, std::chrono::milliseconds limit = 20s) {
    Taken taken;
    TakeUntil(
        runner, taken, [&] { return taken.Blocks.size() >= count; }, limit);
    return taken;
}

double Mean(const std::vector<double>& v) {
    return std::accumulate(v.begin(), v.end(), 0.0) / static_cast<double>(v.size());
}

double StdDev(const std::vector<double>& v) {
    const double m = Mean(v);
    double s = 0;
    for (double x : v) {
        s += (x - m) * (x - m);
    }
    return std::sqrt(s / static_cast<double>(v.size() - 1));
}

/// Checks blocks against a true power: every block within kSigmas of its
/// σ, their mean within kSigmas·σ/√n, and their scatter as the radiometer
/// equation says (a ratio of 0.6 to 1.5 for 20 blocks, far beyond chance).
void ExpectPower(const std::vector<PowerBlock>& blocks, double expectedDb, const char* name) {
    ASSERT_FALSE(blocks.empty()) << name;
    std::vector<double> powers;
    for (const PowerBlock& b : blocks) {
        EXPECT_NEAR(b.PowerDb, expectedDb, kSigmas * b.SigmaDb) << name;
        powers.push_back(b.PowerDb);
    }
    const double sigma = blocks.front().SigmaDb;
    const double n = static_cast<double>(blocks.size());
    EXPECT_NEAR(Mean(powers), expectedDb, kSigmas * sigma / std::sqrt(n)) << name;
    if (blocks.size() >= 20) {
        const double ratio = StdDev(powers) / sigma;
        EXPECT_GT(ratio, 0.6) << name << ": scatter " << StdDev(powers) << " dB, σ " << sigma;
        EXPECT_LT(ratio, 1.5) << name << ": scatter " << StdDev(powers) << " dB, σ " << sigma;
    }
}

double Db(double linear) {
    return 10 * std::log10(linear);
}

// ---------------------------------------------------------------- SDR

struct SdrCase {
    const char* Name;
    std::string Args; ///< the simulated receiver's, beyond driver and control
    std::optional<double> GainDb;
    std::optional<SpectrumSettings> Spectrum;
    bool Rfi = false;
    /// The true power measured, from the band's share of the noise.
    std::function<double(const Periodogram*)> Expected;
    bool Clipping = false;
};

double NoiseInBand(double noiseDb, const Periodogram* spectrum) {
    return noiseDb + Db(static_cast<double>(spectrum->UsedBins()) / spectrum->Bins());
}

SpectrumSettings Band(double lo, double hi) {
    SpectrumSettings s;
    s.Bins = 1024;
    s.Band = BandHz{lo, hi};
    return s;
}

TEST(SdrInput, MeasuresTheSetPowerWithinTheRadiometerEquation) {
    constexpr double kRate = 1e6;
    const auto noise = [](double db) { return [db](const Periodogram*) { return db; }; };
    // A spur at +200 kHz of -35 dBFS, a DC offset of -25 dBFS, noise of
    // -30 dBFS spread over 1 MHz: in a band of 800 kHz the spur is stronger
    // than a third of the noise.
    const std::string spurred = "power_db=-30,spur_db=-35,spur_hz=200000,dc_db=-25";
    const SdrCase cases[] = {
        {"whole band, CF32", "power_db=-30", std::nullopt, std::nullopt, false, noise(-30)},
        {"whole band, CS16, gain", "power_db=-40,formats=CS16", 10.0, std::nullopt, false,
         noise(-30)},
        {"band, spur and DC, RFI filter", spurred, std::nullopt, Band(-400e3, 400e3), true,
         [](const Periodogram* s) { return NoiseInBand(-30, s); }},
        {"band, spur measured without the filter", spurred, std::nullopt, Band(-400e3, 400e3),
         false,
         [](const Periodogram* s) {
             return Db(std::pow(10, NoiseInBand(-30, s) / 10) + std::pow(10, -3.5));
         }},
        {"saturated", "power_db=0", std::nullopt, std::nullopt, false, nullptr, true},
    };
    for (const SdrCase& c : cases) {
        testing::SimReceiver sim;
        SdrSettings sdr;
        sdr.DeviceArgs = sim.Args(c.Args + ",realtime=0,seed=7");
        sdr.RateHz = kRate;
        sdr.FrequencyMHz = 1296.0;
        sdr.GainDb = c.GainDb;
        IntegrationSettings settings;
        settings.TauS = 0.1;
        settings.Spectrum = c.Spectrum;
        settings.Rfi.Enabled = c.Rfi;
        PowerRunner runner([sdr] { return MakeSdrInput(sdr); }, settings, kQuickRetry);
        const Taken taken = TakeBlocks(runner, 20);
        runner.Stop();
        ASSERT_GE(taken.Blocks.size(), 20U) << c.Name << ": " << runner.Status().LastError;
        const RunnerStatus status = runner.Status();
        EXPECT_NEAR(status.Stream.FrequencyMHz, 1296.0, 1e-9) << c.Name;
        EXPECT_NE(status.Stream.Summary.find("AGC off"), std::string::npos) << c.Name;
        const PowerBlock& first = taken.Blocks.front();
        // A block is rate·τ samples; the spectrum path's, whole frames of 1024.
        EXPECT_EQ(first.Samples, c.Spectrum ? 98U * 1024 : 100000U) << c.Name;
        EXPECT_NEAR((first.UtcEnd - first.UtcStart) * 86400, first.Samples / kRate, 1e-6);
        if (c.Clipping) {
            EXPECT_GT(first.Clipped, first.Samples / 4) << c.Name;
            EXPECT_TRUE(first.Overload) << c.Name;
            continue;
        }
        EXPECT_EQ(first.Clipped, 0U) << c.Name;
        EXPECT_FALSE(first.Overload) << c.Name;
        std::unique_ptr<Periodogram> spectrum;
        if (c.Spectrum) {
            spectrum = std::make_unique<Periodogram>(*c.Spectrum, kRate, true);
            EXPECT_EQ(c.Rfi, first.RfiDroppedShare > 0) << c.Name;
            EXPECT_LT(first.RfiDroppedShare, 0.02) << c.Name; // the spur's few bins
        } else {
            EXPECT_DOUBLE_EQ(first.NoiseBandwidthHz, kRate) << c.Name;
        }
        ExpectPower(taken.Blocks, c.Expected(spectrum.get()), c.Name);
    }
}

TEST(SdrInput, RecoversAStepOfThreeDecibels) {
    testing::SimReceiver sim;
    SdrSettings sdr;
    // The step comes at 1 s of stream time: after block 9 of 0.1 s.
    sdr.DeviceArgs = sim.Args("power_db=-30,step_db=3,step_at=1,realtime=0,seed=3");
    sdr.RateHz = 500e3;
    IntegrationSettings settings;
    settings.TauS = 0.1;
    PowerRunner runner([sdr] { return MakeSdrInput(sdr); }, settings, kQuickRetry);
    const Taken taken = TakeBlocks(runner, 20);
    runner.Stop();
    ASSERT_GE(taken.Blocks.size(), 20U) << runner.Status().LastError;
    std::vector<double> before;
    std::vector<double> after;
    for (std::size_t i = 0; i < 20; ++i) {
        (i < 10 ? before : after).push_back(taken.Blocks[i].PowerDb);
    }
    const double sigma = taken.Blocks.front().SigmaDb;
    EXPECT_NEAR(Mean(after) - Mean(before), 3.000, kSigmas * sigma * std::sqrt(2.0 / 10));
    EXPECT_LT(sigma, 0.03); // 50 000 samples: the step is known to 0.03 dB
}

TEST(SdrInput, RefusalsStopWithASentenceAndAMissingDeviceIsRetried) {
    struct Case {
        const char* Name;
        std::function<void(SdrSettings&)> Change;
        bool Refused;
        const char* Says;
    };
    const Case cases[] = {
        {"rate", [](SdrSettings& s) { s.RateHz = 20e6; }, true, "does not offer the sample rate"},
        {"gain", [](SdrSettings& s) { s.GainDb = 60; }, true, "outside the SDR's range 0 to 50"},
        {"antenna", [](SdrSettings& s) { s.Antenna = "ANT3"; }, true, "It has: RX, RX2"},
        {"frequency", [](SdrSettings& s) { s.FrequencyMHz = 0.5; }, true, "cannot tune"},
        {"absent", [](SdrSettings& s) { s.DeviceArgs = "driver=vantrelsim_absent"; }, false,
         "No SDR found"},
    };
    testing::SimReceiver sim;
    // The list to choose from names the simulated receiver as SoapySDR does.
    const std::vector<FoundSdr> found = FindSdrs();
    EXPECT_TRUE(std::any_of(found.begin(), found.end(), [](const FoundSdr& f) {
        return f.Args == "driver=vantrelsim,serial=sim0" &&
               f.Label == "Vantrel simulated receiver sim0";
    }));
    for (const Case& c : cases) {
        SdrSettings sdr;
        sdr.DeviceArgs = sim.Args("realtime=0");
        sdr.RateHz = 1e6;
        c.Change(sdr);
        PowerRunner runner([sdr] { return MakeSdrInput(sdr); }, IntegrationSettings{}, kQuickRetry);
        Taken taken;
        TakeUntil(
            runner, taken,
            [&] { return runner.Status().ConsecutiveFailures >= 2 || runner.Status().Refused; },
            5s);
        const RunnerStatus status = runner.Status();
        EXPECT_EQ(status.Refused, c.Refused) << c.Name << ": " << status.LastError;
        EXPECT_FALSE(status.EverOpened) << c.Name;
        EXPECT_NE(status.LastError.find(c.Says), std::string::npos) << status.LastError;
        if (c.Refused) {
            EXPECT_EQ(status.What, RunnerStatus::State::Stopped) << c.Name;
            EXPECT_EQ(status.ConsecutiveFailures, 1) << c.Name;
        } else {
            EXPECT_GE(status.ConsecutiveFailures, 2) << c.Name;
        }
        runner.Stop();
    }
}

/// What an SDR user sets beyond rate and gain, by the names the device's
/// module gives: gain elements (their gain is in the power measured), its
/// settings and the frequency correction, read back in the summary; a name
/// or value it does not have is refused with what it has.
TEST(SdrInput, GainElementsSettingsAndPpmReachTheDeviceOrAreRefusedWithItsOwn) {
    testing::SimReceiver sim;
    struct Case {
        const char* Name;
        std::vector<std::pair<std::string, double>> Elements;
        std::vector<std::pair<std::string, std::string>> Settings;
        std::optional<double> Ppm;
        const char* Said; ///< in the summary, or the refusal
        bool Refused;
    };
    const Case cases[] = {
        {"LNA 10 dB, MIX 2 dB",
         {{"LNA", 10}, {"MIX", 2}},
         {},
         std::nullopt,
         "(LNA 10.0 MIX 2.0 VGA 0.0)",
         false},
        {"bias-T, direct sampling, 1.5 ppm",
         {},
         {{"biastee", "true"}, {"direct_samp", "2"}},
         1.5,
         "1.5 ppm, biastee=true, direct_samp=2",
         false},
        {"no such element", {{"TUNER", 10}}, {}, std::nullopt, "It has: LNA, MIX, VGA.", true},
        {"an element beyond its range", {{"MIX", 11}}, {}, std::nullopt, "range 0 to 10 dB", true},
        {"no such setting",
         {},
         {{"agc", "1"}},
         std::nullopt,
         "It has: biastee (Bias-T), direct_samp (Direct sampling).",
         true},
        {"a value not offered", {}, {{"direct_samp", "3"}}, std::nullopt, "takes 0, 1, 2", true},
        {"bool as a number", {}, {{"biastee", "1"}}, std::nullopt, "true or false", true},
    };
    for (const Case& c : cases) {
        SdrSettings sdr;
        sdr.DeviceArgs = sim.Args("power_db=-40");
        sdr.RateHz = 250000;
        sdr.GainDb = 0;
        sdr.GainElements = c.Elements;
        sdr.Settings = c.Settings;
        sdr.PpmCorrection = c.Ppm;
        IntegrationSettings settings;
        settings.TauS = 0.1;
        PowerRunner runner([sdr] { return MakeSdrInput(sdr); }, settings, kQuickRetry);
        Taken taken;
        TakeUntil(
            runner, taken, [&] { return runner.Status().Refused || taken.Blocks.size() >= 4; }, 5s);
        runner.Stop();
        const RunnerStatus status = runner.Status();
        EXPECT_EQ(status.Refused, c.Refused) << c.Name << ": " << status.LastError;
        const std::string& said = c.Refused ? status.LastError : status.Stream.Summary;
        EXPECT_NE(said.find(c.Said), std::string::npos) << c.Name << ": " << said;
        if (!c.Refused) {
            double gain = 0;
            for (const auto& e : c.Elements) {
                gain += e.second;
            }
            EXPECT_EQ(status.Stream.GainDb, gain) << c.Name;
            ExpectPower(taken.Blocks, -40 + gain, c.Name);
        }
    }
}

/// A stalled SDR (no samples, a stuck USB device) is told silent once 10 s
/// have passed on the runner's clock (here ten times the wall's), and no
/// longer once samples come again.
TEST(SdrInput, AStallIsToldSilentAndItsEndToo) {
    testing::SimReceiver sim;
    const auto started = std::chrono::steady_clock::now();
    const auto fast = [started] {
        return 46000.0 +
               10 *
                   std::chrono::duration<double>(std::chrono::steady_clock::now() - started)
                       .count() /
                   86400.0;
    };
    SdrSettings sdr;
    sdr.DeviceArgs = sim.Args();
    sdr.RateHz = 250000;
    IntegrationSettings settings;
    settings.TauS = 0.1;
    PowerRunner runner([sdr] { return MakeSdrInput(sdr); }, settings, kQuickRetry, fast);
    Taken taken = TakeBlocks(runner, 2, 5s);
    ASSERT_GE(taken.Blocks.size(), 2U);
    EXPECT_FALSE(runner.Status().Silent);
    sim.Control("stall_s=2");
    TakeUntil(
        runner, taken, [&] { return runner.Status().Silent; }, 3s);
    EXPECT_TRUE(runner.Status().Silent);
    EXPECT_GE(runner.Status().SilentS, kSilentLeastS);
    TakeUntil(
        runner, taken, [&] { return !runner.Status().Silent; }, 4s);
    EXPECT_FALSE(runner.Status().Silent);
    EXPECT_EQ(runner.Status().What, RunnerStatus::State::Running);
    runner.Stop();
}

TEST(SdrInput, AnOverflowDropsOneBlockAndAVanishedDeviceIsOpenedAgain) {
    testing::SimReceiver sim;
    SdrSettings sdr;
    sdr.DeviceArgs = sim.Args("power_db=-30");
    sdr.RateHz = 200e3;
    IntegrationSettings settings;
    settings.TauS = 0.1;
    PowerRunner runner([sdr] { return MakeSdrInput(sdr); }, settings, kQuickRetry);
    Taken taken = TakeBlocks(runner, 2, 10s);
    ASSERT_GE(taken.Blocks.size(), 2U) << runner.Status().LastError;

    sim.Control("overflows=1");
    TakeUntil(
        runner, taken, [&] { return taken.HasEvent(RunnerEvent::Kind::Note, "overflowed"); }, 5s);
    ASSERT_TRUE(taken.HasEvent(RunnerEvent::Kind::Note, "overflowed"));
    // Blocks go on after the gap, and their times stay within the wall
    // clock's: the sample clock starts again after the samples lost.
    const std::size_t afterGap = taken.Blocks.size();
    TakeUntil(
        runner, taken, [&] { return taken.Blocks.size() >= afterGap + 2; }, 5s);
    ASSERT_GE(taken.Blocks.size(), afterGap + 2);
    for (std::size_t i = 1; i < taken.Blocks.size(); ++i) {
        EXPECT_GE(taken.Blocks[i].UtcStart, taken.Blocks[i - 1].UtcEnd - 1e-3 / 86400);
    }

    sim.Control("overflows=1\npresent=0");
    TakeUntil(
        runner, taken, [&] { return runner.Status().ConsecutiveFailures >= 2; }, 5s);
    RunnerStatus status = runner.Status();
    EXPECT_EQ(status.What, RunnerStatus::State::Waiting) << status.LastError;
    EXPECT_TRUE(taken.HasEvent(RunnerEvent::Kind::Error, "stream failed")) << status.LastError;
    EXPECT_NE(status.LastError.find("No SDR found"), std::string::npos) << status.LastError;

    sim.Control("overflows=0\npresent=1");
    const std::size_t beforeReturn = taken.Blocks.size();
    TakeUntil(
        runner, taken, [&] { return taken.Blocks.size() >= beforeReturn + 2; }, 10s);
    status = runner.Status();
    EXPECT_GE(taken.Blocks.size(), beforeReturn + 2) << status.LastError;
    EXPECT_EQ(status.What, RunnerStatus::State::Running);
    EXPECT_TRUE(status.LastError.empty()) << status.LastError;
    EXPECT_EQ(status.ConsecutiveFailures, 0);
    runner.Stop();
    EXPECT_EQ(runner.Status().What, RunnerStatus::State::Stopped);
}

// ---------------------------------------------------------------- runner

/// A recording served faster than real time: every read hands over 0.1 s
/// of complex noise at once.
class FastSource final : public PowerInput {
public:
    InputError Open(StreamDescription& d) override {
        d.What = StreamDescription::Kind::ComplexSamples;
        d.RateHz = kRate;
        d.Device = "a file";
        return {};
    }
    InputError Read(SampleSink& sink) override {
        std::vector<std::complex<float>> z(static_cast<std::size_t>(kRate / 10));
        for (auto& v : z) {
            v = {normal_(random_), normal_(random_)};
        }
        sink.Complex(z);
        return {};
    }
    void Close() override {}
    static constexpr double kRate = 20000;

private:
    std::mt19937_64 random_{43};
    std::normal_distribution<float> normal_{0.0F, std::sqrt(0.5F)};
};

/// A source faster than real time is read at the pace of the clock: its
/// blocks' times stay those of a live one (never ahead of the clock), and
/// Stop ends it at once, the block in progress kept as partial.
TEST(PowerRunner, PacesAFastSourceByItsSampleClockAndKeepsThePartialBlock) {
    IntegrationSettings settings;
    settings.TauS = 0.3;
    const auto started = std::chrono::steady_clock::now();
    PowerRunner runner([] { return std::make_unique<FastSource>(); }, settings, kQuickRetry);
    std::this_thread::sleep_for(1000ms);
    const DateTime now = SystemUtcNow();
    runner.Stop(LastBlock::Keep);
    const double stoppedAfterS =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    const std::vector<PowerBlock> blocks = runner.TakeBlocks();
    ASSERT_GE(blocks.size(), 3U);
    // About a second's worth: three whole blocks and the partial one, not
    // the hundreds a free-running source would give.
    EXPECT_LE(blocks.size(), 5U);
    EXPECT_LT(stoppedAfterS, 1.5);
    for (const PowerBlock& b : blocks) {
        EXPECT_LT((b.UtcEnd - now) * 86400.0, kLongestLeadS + 0.15);
    }
    for (std::size_t i = 0; i + 1 < blocks.size(); ++i) {
        EXPECT_FALSE(blocks[i].Partial) << i;
        EXPECT_EQ(blocks[i].Samples, 6000U) << i;
    }
    EXPECT_TRUE(blocks.back().Partial);
    EXPECT_LT(blocks.back().Samples, 6000U);
    EXPECT_GT(blocks.back().Samples, 0U);
}

// ---------------------------------------------------------------- sound card

/// A test HOME whose .asoundrc defines the capture device "vantreltest":
/// ALSA's file plugin over the null device, reading `in.raw`.
class AudioFile : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/vantrel-alsa-XXXXXX";
        ASSERT_NE(::mkdtemp(pattern), nullptr);
        home_ = pattern;
        std::ofstream rc(home_ + "/.asoundrc");
        rc << "pcm.vantreltest {\n    type file\n    slave.pcm \"null\"\n    file \"/dev/null\"\n"
              "    infile \""
           << home_ << "/in.raw\"\n    format \"raw\"\n"
           << "    hint { show on\n description \"Vantrel test\nrecorded noise\" }\n}\n"
           // A stereo card through ALSA's plug layer, as 'default' and
           // 'plughw' reach one.
           << "pcm.vantrelplug {\n    type plug\n    slave { pcm \"vantreltest\" channels 2 }\n}\n";
        oldHome_ = std::getenv("HOME") ? std::getenv("HOME") : "";
        ::setenv("HOME", home_.c_str(), 1);
        // ALSA keeps the configuration it read first: this test's is read anew.
        snd_config_update_free_global();
    }
    void TearDown() override {
        ::setenv("HOME", oldHome_.c_str(), 1);
        std::filesystem::remove_all(home_);
    }

    /// Writes `frames` of `channels` 16-bit samples, sample(frame, channel)
    /// in full scale 1, clamped as a sound card's converter clamps.
    void WritePcm(std::size_t frames, unsigned channels,
                  const std::function<double(std::size_t, unsigned)>& sample) {
        std::vector<std::int16_t> data(frames * channels);
        for (std::size_t i = 0; i < frames; ++i) {
            for (unsigned c = 0; c < channels; ++c) {
                const double v = std::clamp(sample(i, c) * 32768.0, -32768.0, 32767.0);
                data[i * channels + c] = static_cast<std::int16_t>(std::lround(v));
            }
        }
        std::ofstream out(home_ + "/in.raw", std::ios::binary);
        out.write(reinterpret_cast<const char*>(data.data()),
                  static_cast<std::streamsize>(data.size() * sizeof(std::int16_t)));
    }

    std::string home_;
    std::string oldHome_;
};

TEST_F(AudioFile, MeasuresKnownPcmInDecibelsRelativeToFullScale) {
    constexpr unsigned kRate = 48000;
    constexpr double kTau = 0.25;
    constexpr std::size_t kBlocks = 8;
    std::mt19937_64 random(11);
    std::normal_distribution<double> normal;
    const double noise20 = std::pow(10, -20 / 20.0);
    struct Case {
        const char* Name;
        unsigned Channels;
        unsigned Channel;
        std::function<double(std::size_t, unsigned)> Sample;
        std::optional<SpectrumSettings> Spectrum;
        std::function<double(const Periodogram*)> Expected; ///< none: a sine, exact
        bool Clipping;
    };
    const auto sine = [](double amplitude) {
        return [amplitude](std::size_t i, unsigned) {
            return amplitude * std::sin(2 * std::numbers::pi * 1000.0 * i / kRate);
        };
    };
    SpectrumSettings audioBand;
    audioBand.Bins = 2048;
    audioBand.Band = BandHz{300, 2700};
    const Case cases[] = {
        {"noise of -20 dBFS", 1, 1, [&](std::size_t, unsigned) { return noise20 * normal(random); },
         std::nullopt, [](const Periodogram*) { return -20.0; }, false},
        {"full-scale sine: -3.01 dB, clipped", 1, 1, sine(32767 / 32768.0), std::nullopt, nullptr,
         true},
        {"second channel of two", 2, 2,
         [&](std::size_t, unsigned c) { return c == 1 ? 0.1 * normal(random) : 0.5; }, std::nullopt,
         [](const Periodogram*) { return -20.0; }, false},
        {"audio band 300-2700 Hz of white noise", 1, 1,
         [&](std::size_t, unsigned) { return noise20 * normal(random); }, audioBand,
         [](const Periodogram* s) { return -20 + Db(2.0 * s->UsedBins() / s->Bins()); }, false},
    };
    for (const Case& c : cases) {
        WritePcm(static_cast<std::size_t>(kRate * kTau * kBlocks), c.Channels, c.Sample);
        AudioSettings audio;
        audio.Device = "vantreltest";
        audio.RateHz = kRate;
        audio.Channel = c.Channel;
        IntegrationSettings settings;
        settings.TauS = kTau;
        settings.Spectrum = c.Spectrum;
        PowerRunner runner([audio] { return MakeAudioInput(audio); }, settings, kQuickRetry);
        Taken taken = TakeBlocks(runner, kBlocks);
        runner.Stop();
        ASSERT_GE(taken.Blocks.size(), kBlocks) << c.Name << ": " << runner.Status().LastError;
        taken.Blocks.resize(kBlocks); // the file plugin goes on after the file's end
        const PowerBlock& first = taken.Blocks.front();
        EXPECT_EQ(runner.Status().Stream.Unit, "dBFS");
        EXPECT_EQ(first.Overload, c.Clipping) << c.Name;
        if (!c.Expected) {
            const double expected = Db(0.5 * std::pow(32767 / 32768.0, 2));
            for (const PowerBlock& b : taken.Blocks) {
                EXPECT_NEAR(b.PowerDb, expected, 0.002) << c.Name;
                EXPECT_GT(b.Clipped, b.Samples / 20) << c.Name;
            }
            continue;
        }
        if (!c.Spectrum) {
            EXPECT_DOUBLE_EQ(first.NoiseBandwidthHz, kRate / 2.0) << c.Name;
        }
        std::unique_ptr<Periodogram> spectrum;
        if (c.Spectrum) {
            spectrum = std::make_unique<Periodogram>(*c.Spectrum, kRate, false);
        }
        ExpectPower(taken.Blocks, c.Expected(spectrum.get()), c.Name);
    }
}

/// A stereo card reached through the plug layer, its channels at −40 and
/// −30 dBFS: each channel reads its own power, not their mix (−35.6).
TEST_F(AudioFile, EachChannelOfAStereoCardThroughThePlugLayerReadsItsOwnPower) {
    constexpr unsigned kRate = 48000;
    constexpr double kTau = 0.25;
    constexpr std::size_t kBlocks = 6;
    std::mt19937_64 random(41);
    std::normal_distribution<double> normal;
    const double left = std::pow(10, -40 / 20.0);
    const double right = std::pow(10, -30 / 20.0);
    WritePcm(static_cast<std::size_t>(kRate * kTau * 4 * kBlocks), 2,
             [&](std::size_t, unsigned c) { return (c == 0 ? left : right) * normal(random); });
    for (const auto& [channel, expected] : {std::pair{1U, -40.0}, std::pair{2U, -30.0}}) {
        AudioSettings audio;
        audio.Device = "vantrelplug";
        audio.RateHz = kRate;
        audio.Channel = channel;
        IntegrationSettings settings;
        settings.TauS = kTau;
        PowerRunner runner([audio] { return MakeAudioInput(audio); }, settings, kQuickRetry);
        Taken taken = TakeBlocks(runner, kBlocks);
        runner.Stop();
        ASSERT_GE(taken.Blocks.size(), kBlocks) << channel << ": " << runner.Status().LastError;
        taken.Blocks.resize(kBlocks);
        ExpectPower(taken.Blocks, expected, channel == 1 ? "channel 1 (left)" : "channel 2");
        EXPECT_NE(runner.Status().Stream.Summary.find("of 2"), std::string::npos)
            << runner.Status().Stream.Summary;
    }
}

TEST_F(AudioFile, AMissingDeviceIsRetriedAndAMissingChannelRefused) {
    WritePcm(48000, 1, [](std::size_t, unsigned) { return 0.0; });
    const std::vector<FoundAudioDevice> found = FindAudioCaptureDevices();
    EXPECT_TRUE(std::any_of(found.begin(), found.end(),
                            [](const FoundAudioDevice& d) {
                                return d.Name == "vantreltest" &&
                                       d.Description == "Vantrel test - recorded noise";
                            }))
        << found.size() << " devices";
    for (const auto& [device, channel, refused] :
         {std::tuple{"nosuchdevice", 1U, false}, std::tuple{"vantreltest", 0U, true}}) {
        AudioSettings audio;
        audio.Device = device;
        audio.Channel = channel;
        PowerRunner runner([audio] { return MakeAudioInput(audio); }, IntegrationSettings{},
                           kQuickRetry);
        Taken taken;
        TakeUntil(
            runner, taken,
            [&] {
                const RunnerStatus s = runner.Status();
                return s.Refused || s.ConsecutiveFailures >= 2;
            },
            5s);
        const RunnerStatus status = runner.Status();
        EXPECT_EQ(status.Refused, refused) << device << ": " << status.LastError;
        EXPECT_FALSE(status.LastError.empty());
        if (!refused) {
            EXPECT_NE(status.LastError.find("arecord -L"), std::string::npos) << status.LastError;
        }
    }
}

// ---------------------------------------------------------------- command

TEST(CommandInput, AveragesReadingsLinearlyNotesGarbageAndReportsTheExit) {
    // Pairs of readings 1e-8 W and 3e-8 W (mean 2e-8 W = -46.990 dBm), in
    // column 2, printed together; garbage and a warning between; then exit 3.
    CommandSettings command;
    command.Unit = ReadingUnit::Watt;
    command.Column = 2;
    command.Command =
        "echo '# a power meter'; echo 'warming up' >&2; "
        "for i in 1 2 3 4 5 6 7 8 9 10 11 12; do printf 't%s 1e-8\\nt%s 3e-8\\n' $i $i; "
        "[ $i = 6 ] && echo 'OVERRANGE'; sleep 0.1; done; exit 3";
    IntegrationSettings settings;
    settings.TauS = 0.3;
    PowerRunner runner([command] { return MakeCommandInput(command); }, settings, kQuickRetry);
    runner.SetPointingSource([] { return BlockPointing{"sun", 180.5, 30.25}; });
    Taken taken;
    TakeUntil(
        runner, taken,
        [&] {
            return std::count_if(taken.Events.begin(), taken.Events.end(),
                                 [](const RunnerEvent& e) {
                                     return e.What == RunnerEvent::Kind::Opened;
                                 }) >= 2;
        },
        10s);
    runner.Stop();
    ASSERT_GE(taken.Blocks.size(), 2U);
    EXPECT_EQ(runner.Status().Stream.Unit, "dBm");
    for (const PowerBlock& b : taken.Blocks) {
        if (b.Samples % 2 == 0) {
            EXPECT_NEAR(b.PowerDb, Db(2e-5), 0.0005) << b.Samples << " readings";
        }
        EXPECT_FALSE(b.WholeDbSteps);
        EXPECT_GT(b.SigmaDb, 0);
        ASSERT_TRUE(b.Pointing);
        EXPECT_EQ(b.Pointing->Source, "sun");
        EXPECT_EQ(b.Pointing->ElevationDeg, 30.25);
    }
    EXPECT_TRUE(taken.HasEvent(RunnerEvent::Kind::Note, "The command says: warming up"));
    EXPECT_TRUE(taken.HasEvent(RunnerEvent::Kind::Note, "'OVERRANGE'"));
    EXPECT_TRUE(taken.HasEvent(RunnerEvent::Kind::Error, "exited with status 3"));
    EXPECT_FALSE(taken.HasEvent(RunnerEvent::Kind::Note, "a power meter"));
}

/// A meter read by a command that prints one reading and exits (curl,
/// scpi-read): a polled meter, run again at once or after its interval,
/// its readings counted in blocks that go on across its runs.
TEST(CommandInput, APolledMetersReadingsCountAndItIsRunAgain) {
    struct Case {
        const char* Name;
        double PollS;
        std::size_t MostPerBlock; ///< readings in a block of 0.5 s at most
    };
    for (const Case& c : {Case{"at once", 0.0, 10000}, Case{"every 0.2 s", 0.2, 4}}) {
        CommandSettings command;
        command.Command = "echo -61.5";
        command.PollS = c.PollS;
        IntegrationSettings settings;
        settings.TauS = 0.5;
        PowerRunner runner([command] { return MakeCommandInput(command); }, settings, kQuickRetry);
        Taken taken = TakeBlocks(runner, 3, 10s);
        const RunnerStatus status = runner.Status();
        runner.Stop();
        ASSERT_GE(taken.Blocks.size(), 3U) << c.Name << ": " << status.LastError;
        for (const PowerBlock& b : taken.Blocks) {
            EXPECT_NEAR(b.PowerDb, -61.5, 1e-9) << c.Name;
            EXPECT_GE(b.Samples, 2U) << c.Name;
            EXPECT_LE(b.Samples, c.MostPerBlock) << c.Name;
        }
        EXPECT_EQ(status.What, RunnerStatus::State::Running) << c.Name;
        EXPECT_EQ(status.ConsecutiveFailures, 0) << c.Name;
        EXPECT_TRUE(taken.HasEvent(RunnerEvent::Kind::Note, "polled meter")) << c.Name;
        EXPECT_FALSE(taken.HasEvent(RunnerEvent::Kind::Error, "")) << c.Name;
    }
}

/// A meter script that hangs (a stuck instrument): the input stays open
/// but gives nothing, and the status says so once 10 s (more than 3 τ)
/// have passed, on a clock twenty times faster than the wall's.
TEST(CommandInput, AMeterThatStopsPrintingIsToldSilentWithinTheBound) {
    constexpr double kSpeed = 20;
    const auto started = std::chrono::steady_clock::now();
    const auto fast = [started, kSpeed] {
        const double s =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
        return 46000.0 + kSpeed * s / 86400.0;
    };
    CommandSettings command;
    command.Command = "for i in 1 2 3 4 5; do echo -50; done; exec sleep 30";
    IntegrationSettings settings;
    settings.TauS = 2.0; // 3 τ = 6 s: the 10 s bound rules
    PowerRunner runner([command] { return MakeCommandInput(command); }, settings, kQuickRetry,
                       fast);
    Taken taken;
    double silentAtS = 0;
    TakeUntil(
        runner, taken,
        [&] {
            const RunnerStatus s = runner.Status();
            if (!s.Silent) {
                EXPECT_LE(s.SilentS, kSilentLeastS + 1.0);
                return false;
            }
            silentAtS = s.SilentS;
            return true;
        },
        5s);
    const RunnerStatus status = runner.Status();
    runner.Stop();
    EXPECT_TRUE(status.Silent);
    EXPECT_EQ(status.What, RunnerStatus::State::Running);
    EXPECT_GT(silentAtS, kSilentLeastS);
    EXPECT_LT(silentAtS, kSilentLeastS + 2.0);
    EXPECT_EQ(taken.Blocks.size(), 1U); // the five readings' block
}

TEST(CommandInput, StopEndsTheWholeProcessGroup) {
    testing::SimReceiver folder; // a folder of the test's own
    const std::string pidFile = folder.Folder() + "/child.pid";
    CommandSettings command;
    command.Command =
        "sleep 30 & echo $! > " + pidFile + "; while true; do echo -50; sleep 0.05; done";
    IntegrationSettings settings;
    settings.TauS = 0.1;
    PowerRunner runner([command] { return MakeCommandInput(command); }, settings, kQuickRetry);
    ASSERT_GE(TakeBlocks(runner, 1, 5s).Blocks.size(), 1U);
    runner.Stop();
    std::ifstream in(pidFile);
    pid_t child = 0;
    ASSERT_TRUE(in >> child);
    // The grandchild was ended with its group: gone, or a zombie of init's.
    for (int i = 0; i < 100 && ::kill(child, 0) == 0; ++i) {
        std::ifstream stat("/proc/" + std::to_string(child) + "/stat");
        std::string pid, name, state;
        if (stat >> pid >> name >> state && state == "Z") {
            break;
        }
        std::this_thread::sleep_for(10ms);
    }
    std::ifstream stat("/proc/" + std::to_string(child) + "/stat");
    std::string pid, name, state;
    EXPECT_TRUE(!(stat >> pid >> name >> state) || state == "Z") << "sleep still runs";
}

// ---------------------------------------------------------------- rig

TEST(RigInput, ReadsTheDummyRigsSMeterThroughRigctldAndNoticesItGo) {
    auto rigctld = std::make_unique<testing::RotctldServer>(1, "rigctld");
    RigSettings rig;
    rig.Model = 2;
    rig.Device = rigctld->Address();
    rig.Poll = 50ms;
    IntegrationSettings settings;
    settings.TauS = 0.2;
    PowerRunner runner([rig] { return MakeRigInput(rig); }, settings, kQuickRetry);
    Taken taken = TakeBlocks(runner, 3, 10s);
    ASSERT_GE(taken.Blocks.size(), 3U) << runner.Status().LastError;
    EXPECT_TRUE(runner.Status().Stream.WholeDbSteps);
    EXPECT_EQ(runner.Status().Stream.Unit, "dB");
    for (const PowerBlock& b : taken.Blocks) {
        EXPECT_TRUE(b.WholeDbSteps);
        EXPECT_GE(b.Samples, 2U);
        EXPECT_GT(b.PowerDb, -100); // dB relative to S9
        EXPECT_LT(b.PowerDb, 100);
    }
    rigctld.reset();
    TakeUntil(
        runner, taken, [&] { return runner.Status().ConsecutiveFailures >= 1; }, 10s);
    const RunnerStatus status = runner.Status();
    EXPECT_EQ(status.What, RunnerStatus::State::Waiting) << status.LastError;
    EXPECT_FALSE(status.Refused);
    EXPECT_FALSE(status.LastError.empty());
}

} // namespace
} // namespace vantrel
