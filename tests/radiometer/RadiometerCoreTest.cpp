// The radiometer's computation without any input: the radiometer equation,
// the whole-band kernel, the spectrum path's σ against the scatter it
// really has, the RFI filter, readings' blocks, and a power meter's lines.

#include "radiometer/BlockIntegrator.h"
#include "radiometer/CalibratorGain.h"
#include "radiometer/Periodogram.h"
#include "radiometer/RadiometerEquation.h"
#include "radiometer/ReadingLine.h"
#include "radiometer/SamplePower.h"

#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <random>
#include <vector>

namespace vantrel {
namespace {

constexpr double kSecondsPerDay = 86400.0;

TEST(CalibratorGain, ADiodeGivesTheGainInKelvinAndTakesALinearDriftOut) {
    // Tsys 150 K, a 50 K diode, 1000 K per unit of power; the gain drifts
    // by 2 % between the off readings before and after.
    std::mt19937_64 random(11);
    std::normal_distribution<double> normal;
    const auto blocks = [&](double kelvin, double drift, int n, bool overload = false) {
        std::vector<PowerBlock> out;
        for (int i = 0; i < n; ++i) {
            PowerBlock b;
            const double p = kelvin / 1000.0 * (1 + drift) * (1 + 0.002 * normal(random));
            b.PowerDb = 10 * std::log10(p);
            b.SigmaDb = 10 * std::log10(1.002);
            b.Overload = overload;
            out.push_back(b);
        }
        return out;
    };
    const auto before = blocks(150, -0.01, 5);
    const auto on = blocks(200, 0.0, 5);
    const auto after = blocks(150, 0.01, 5);
    const CalibratorGainResult both = CalibratorGainOf(before, on, after, 50);
    ASSERT_TRUE(both.Gain) << both.Problem;
    EXPECT_NEAR(both.Gain->KPerUnit, 1000, 3 * both.Gain->SigmaRelative * 1000);
    EXPECT_NEAR(both.Gain->SystemK, 150, 1.5);
    EXPECT_GT(both.Gain->SigmaRelative, 0.002);
    EXPECT_LT(both.Gain->SigmaRelative, 0.05);
    // The off readings before alone carry the drift: the gain 3 % low, Tsys 4 %.
    const CalibratorGainResult first = CalibratorGainOf(before, on, {}, 50);
    ASSERT_TRUE(first.Gain);
    EXPECT_LT(first.Gain->KPerUnit, 985);
    EXPECT_LT(first.Gain->SystemK, 146);

    EXPECT_NE(CalibratorGainOf(before, blocks(150, 0, 5), after, 50).Problem.find("no power"),
              std::string::npos);
    EXPECT_NE(
        CalibratorGainOf(before, blocks(200, 0, 5, true), after, 50).Problem.find("overloaded"),
        std::string::npos);
    EXPECT_NE(CalibratorGainOf({}, on, {}, 50).Problem.find("No power"), std::string::npos);
    EXPECT_NE(CalibratorGainOf(before, on, after, 0).Problem.find("--cal-k"), std::string::npos);
}

TEST(RadiometerEquation, GivesTheFiguresUsersQuote) {
    struct Row {
        const char* Source;
        double BandwidthHz;
        double TauS;
        double SigmaDb;
        double Tolerance;
    };
    const Row rows[] = {
        // 10·log10(1 + 1/√(B·τ)), and the rounded figures of the notes.
        {"SSB audio, 30 s: about 0.016 dB", 2500, 30, 0.01584, 5e-5},
        {"SSB audio, 1 s: about 0.09 dB", 2500, 1, 0.08600, 5e-5},
        {"RTL-SDR 2.4 MHz, 1 s", 2.4e6, 1, 0.002803, 5e-6},
        {"B·τ = 1: 3.01 dB", 1, 1, 3.0103, 1e-4},
    };
    for (const Row& r : rows) {
        EXPECT_NEAR(RadiometerSigmaDb(r.BandwidthHz, r.TauS), r.SigmaDb, r.Tolerance) << r.Source;
        EXPECT_NEAR(IntegrationForSigma(r.BandwidthHz, r.SigmaDb), r.TauS, r.TauS * 2e-3)
            << r.Source;
    }
    // 0.1 dB with 2.5 kHz takes 0.74 s; the inverse of nonsense is NaN.
    EXPECT_NEAR(IntegrationForSigma(2500, 0.1), 0.737, 0.001);
    EXPECT_TRUE(std::isnan(RadiometerSigmaDb(0, 1)));
    EXPECT_TRUE(std::isnan(IntegrationForSigma(2500, 0)));
}

TEST(SamplePower, SumsAndCountsClippingAsTheSamplesOneByOne) {
    std::mt19937 random(5);
    std::uniform_real_distribution<float> uniform(-1.0F, 1.0F);
    for (std::size_t n : {0U, 1U, 15U, 16U, 17U, 2047U, 2048U, 2049U, 10001U}) {
        std::vector<std::complex<float>> z(n);
        for (auto& x : z) {
            x = {uniform(random), uniform(random)};
        }
        double sum = 0;
        std::uint64_t clipped = 0;
        for (const auto& x : z) {
            sum +=
                static_cast<double>(x.real()) * x.real() + static_cast<double>(x.imag()) * x.imag();
            clipped += (std::fabs(x.real()) >= 0.98F || std::fabs(x.imag()) >= 0.98F) ? 1 : 0;
        }
        const PowerSum c = SumComplexPower(z, 0.98F);
        EXPECT_NEAR(c.Sum, sum, 1e-6 * sum + 1e-12) << n;
        EXPECT_EQ(c.Clipped, clipped) << n;

        const std::span<const float> real(reinterpret_cast<const float*>(z.data()), 2 * n);
        double realSum = 0;
        std::uint64_t realClipped = 0;
        for (float v : real) {
            realSum += static_cast<double>(v) * v;
            realClipped += std::fabs(v) >= 0.98F ? 1 : 0;
        }
        const PowerSum r = SumRealPower(real, 0.98F);
        EXPECT_NEAR(r.Sum, realSum, 1e-6 * realSum + 1e-12) << n;
        EXPECT_EQ(r.Clipped, realClipped) << n;
    }
}

/// Complex (or real) Gaussian noise of unit power through the integrator:
/// the blocks' scatter must be the σ the block states, which for windowed
/// spectra rests on the statistical bandwidth of correlated bins.
TEST(BlockIntegrator, StatedSigmaIsTheScatterBlocksReallyHave) {
    struct Case {
        const char* Name;
        bool Complex;
        std::optional<WindowFunction> Window; ///< none: the whole band
        std::optional<BandHz> Band;
    };
    const Case cases[] = {
        {"whole band, complex", true, std::nullopt, std::nullopt},
        {"whole band, real", false, std::nullopt, std::nullopt},
        {"rectangular, complex", true, WindowFunction::Rectangular, std::nullopt},
        {"Hann, complex, a narrow band", true, WindowFunction::Hann, BandHz{1000, 3000}},
        {"Blackman-Harris, complex", true, WindowFunction::BlackmanHarris, std::nullopt},
        {"Hann, real", false, WindowFunction::Hann, BandHz{300, 2700}},
    };
    constexpr double kRate = 16000;
    constexpr int kBlocks = 400;
    for (const Case& c : cases) {
        IntegrationSettings settings;
        settings.TauS = 0.1;
        if (c.Window) {
            SpectrumSettings s;
            s.Bins = 128;
            s.Window = *c.Window;
            s.Band = c.Band;
            settings.Spectrum = s;
        }
        StreamDescription stream;
        stream.What = c.Complex ? StreamDescription::Kind::ComplexSamples
                                : StreamDescription::Kind::RealSamples;
        stream.RateHz = kRate;
        BlockIntegrator integrator(settings, stream, [] { return 46000.0; });
        ASSERT_EQ(integrator.Problem(), "") << c.Name;
        std::mt19937_64 random(17);
        std::normal_distribution<float> normal(0.0F, c.Complex ? std::sqrt(0.5F) : 1.0F);
        std::vector<std::complex<float>> z(1000);
        std::vector<float> x(1000);
        std::vector<PowerBlock> blocks;
        while (blocks.size() < kBlocks) {
            if (c.Complex) {
                for (auto& v : z) {
                    v = {normal(random), normal(random)};
                }
                integrator.Complex(z);
            } else {
                for (auto& v : x) {
                    v = normal(random);
                }
                integrator.Real(x);
            }
            for (PowerBlock& b : integrator.TakeBlocks()) {
                blocks.push_back(b);
            }
        }
        double mean = 0;
        for (const PowerBlock& b : blocks) {
            mean += b.PowerDb / kBlocks;
        }
        double s2 = 0;
        for (const PowerBlock& b : blocks) {
            s2 += (b.PowerDb - mean) * (b.PowerDb - mean) / (kBlocks - 1);
        }
        const double sigma = blocks.front().SigmaDb;
        // 400 blocks know their scatter to 3.5 %: 15 % is far beyond chance,
        // and well below the 39 % a Hann window's correlated bins make.
        EXPECT_NEAR(std::sqrt(s2) / sigma, 1.0, 0.15)
            << c.Name << ": B " << blocks.front().NoiseBandwidthHz;
        if (!c.Window) {
            EXPECT_NEAR(mean, 0.0, 4 * sigma / std::sqrt(kBlocks)) << c.Name;
        }
        // Consecutive blocks, each rate·τ samples (or whole frames) long.
        const PowerBlock& b = blocks[1];
        EXPECT_NEAR((b.UtcStart - blocks[0].UtcEnd) * kSecondsPerDay, 0.0, 1e-6) << c.Name;
        EXPECT_NEAR(b.IntegrationS, c.Window ? 1664 / kRate : 0.1, 1e-12) << c.Name;
    }
}

/// The spectrum path's B·τ against the ideal receiver's, K·rate/N·τ for
/// the K bins of the band: Hann frames side by side throw away almost half
/// of it (0.515), frames overlapped by half a frame keep nearly all (Welch
/// 1967; Harris 1978, table 1: 50 % overlap correlation 16.7 %), and the
/// σ stated stays the scatter the blocks have (the test above).
TEST(BlockIntegrator, OverlappedFramesUseNearlyAllTheBandsSamples) {
    struct Case {
        const char* Name;
        WindowFunction Window;
        bool Overlap;
        double LeastShare; ///< of the ideal B·τ
        double MostShare;
    };
    const Case cases[] = {
        {"Hann, overlapped", WindowFunction::Hann, true, 0.95, 0.97},
        {"Blackman-Harris, overlapped", WindowFunction::BlackmanHarris, true, 0.72, 0.75},
        {"Hann side by side", WindowFunction::Hann, false, 0.50, 0.53},
        {"rectangular (never overlapped)", WindowFunction::Rectangular, true, 0.999, 1.001},
    };
    constexpr double kRate = 48000;
    for (const Case& c : cases) {
        IntegrationSettings settings;
        settings.TauS = 0.74;
        SpectrumSettings s;
        s.Bins = 1024;
        s.Window = c.Window;
        s.Overlap = c.Overlap;
        s.Band = BandHz{300, 2700};
        settings.Spectrum = s;
        StreamDescription stream;
        stream.What = StreamDescription::Kind::RealSamples;
        stream.RateHz = kRate;
        BlockIntegrator integrator(settings, stream, [] { return 46000.0; });
        const Periodogram shape(s, kRate, false);
        std::mt19937_64 random(29);
        std::normal_distribution<float> normal;
        std::vector<float> x(4096);
        std::vector<PowerBlock> blocks;
        while (blocks.size() < 3) {
            for (float& v : x) {
                v = normal(random);
            }
            integrator.Real(x);
            for (PowerBlock& b : integrator.TakeBlocks()) {
                blocks.push_back(b);
            }
        }
        const PowerBlock& b = blocks[2]; // frames carried over from the block before
        const double ideal =
            static_cast<double>(shape.UsedBins()) * kRate / s.Bins * b.IntegrationS;
        const double share = b.NoiseBandwidthHz * b.IntegrationS / ideal;
        EXPECT_GE(share, c.LeastShare) << c.Name;
        EXPECT_LE(share, c.MostShare) << c.Name;
        EXPECT_NEAR(b.SigmaDb, RadiometerSigmaDb(b.NoiseBandwidthHz, b.IntegrationS), 1e-12)
            << c.Name;
    }
}

/// The end of a run keeps the block in progress: flagged partial, its σ
/// from the samples (or readings) it holds, timed to its last one.
TEST(BlockIntegrator, FinishPartialGivesTheBlockInProgressWithItsOwnSigma) {
    constexpr double kRate = 10000;
    struct Case {
        const char* Name;
        std::optional<SpectrumSettings> Spectrum;
        std::size_t Block;   ///< samples of a whole block
        std::size_t Samples; ///< given after a whole block
        bool Expected;       ///< a partial block comes
    };
    SpectrumSettings spectrum;
    spectrum.Bins = 256;
    const Case cases[] = {
        {"whole band, 0.4 of τ", std::nullopt, 10000, 4000, true},
        {"spectrum, 0.4 of τ", spectrum, 39 * 256, 4000, true},
        {"spectrum, less than a frame", spectrum, 39 * 256, 100, false},
        {"nothing after the last block", std::nullopt, 10000, 0, false},
    };
    for (const Case& c : cases) {
        IntegrationSettings settings;
        settings.TauS = 1.0;
        settings.Spectrum = c.Spectrum;
        StreamDescription stream;
        stream.RateHz = kRate;
        BlockIntegrator integrator(settings, stream, [] { return 46000.0; });
        std::mt19937_64 random(31);
        std::normal_distribution<float> normal(0.0F, std::sqrt(0.5F));
        std::vector<std::complex<float>> z(c.Block + c.Samples);
        for (auto& v : z) {
            v = {normal(random), normal(random)};
        }
        integrator.Complex(z);
        ASSERT_EQ(integrator.TakeBlocks().size(), 1U) << c.Name;
        integrator.FinishPartial();
        const std::vector<PowerBlock> last = integrator.TakeBlocks();
        ASSERT_EQ(last.size(), c.Expected ? 1U : 0U) << c.Name;
        if (!c.Expected) {
            continue;
        }
        const PowerBlock& b = last[0];
        EXPECT_TRUE(b.Partial) << c.Name;
        EXPECT_EQ(b.Samples, c.Samples) << c.Name;
        EXPECT_NEAR(b.IntegrationS, c.Samples / kRate, 1e-12) << c.Name;
        EXPECT_NEAR((b.UtcEnd - b.UtcStart) * kSecondsPerDay, c.Samples / kRate, 1e-6) << c.Name;
        EXPECT_NEAR(b.SigmaDb, RadiometerSigmaDb(b.NoiseBandwidthHz, b.IntegrationS), 1e-12)
            << c.Name;
        // Unit power, of which the spectrum measures its bins' share.
        const double share =
            c.Spectrum ? static_cast<double>(Periodogram(*c.Spectrum, kRate, true).UsedBins()) /
                             c.Spectrum->Bins
                       : 1.0;
        EXPECT_NEAR(b.PowerDb, 10 * std::log10(share), 5 * b.SigmaDb) << c.Name;
    }

    // Readings: the block so far, ended now.
    DateTime now = 46000.0;
    StreamDescription readings;
    readings.What = StreamDescription::Kind::Readings;
    IntegrationSettings settings;
    settings.TauS = 10.0;
    BlockIntegrator meter(settings, readings, [&] { return now; });
    meter.Reading(1.0);
    now += 2.0 / kSecondsPerDay;
    meter.Reading(-0.2); // a meter at its zero: kept
    now += 1.5 / kSecondsPerDay;
    meter.Tick();
    EXPECT_TRUE(meter.TakeBlocks().empty());
    meter.FinishPartial();
    const std::vector<PowerBlock> b = meter.TakeBlocks();
    ASSERT_EQ(b.size(), 1U);
    EXPECT_TRUE(b[0].Partial);
    EXPECT_EQ(b[0].Samples, 2U);
    EXPECT_NEAR(b[0].IntegrationS, 3.5, 1e-6);
    EXPECT_NEAR(b[0].PowerDb, 10 * std::log10(0.4), 1e-9);
}

TEST(BlockIntegrator, RfiFilterDropsBurstsAndReadingsFarAboveTheMedian) {
    // Whole band: noise of unit power, with 3 of 64 sub-blocks 20 dB hotter.
    IntegrationSettings settings;
    settings.TauS = 0.064;
    settings.Rfi.Enabled = true;
    StreamDescription stream;
    stream.RateHz = 100000;
    BlockIntegrator integrator(settings, stream, [] { return 46000.0; });
    std::mt19937_64 random(23);
    std::normal_distribution<float> normal(0.0F, std::sqrt(0.5F));
    std::vector<std::complex<float>> sub(100);
    for (int s = 0; s < 64; ++s) {
        const float scale = (s == 5 || s == 6 || s == 40) ? 10.0F : 1.0F;
        for (auto& v : sub) {
            v = {scale * normal(random), scale * normal(random)};
        }
        integrator.Complex(sub);
    }
    const std::vector<PowerBlock> blocks = integrator.TakeBlocks();
    ASSERT_EQ(blocks.size(), 1U);
    EXPECT_NEAR(blocks[0].RfiDroppedShare, 3.0 / 64, 1e-12);
    EXPECT_NEAR(blocks[0].PowerDb, 0.0, 4 * blocks[0].SigmaDb);

    // Readings: one of twenty far above the rest is dropped; the rest are
    // averaged in linear power, timed by when they came.
    DateTime now = 46000.0;
    StreamDescription readings;
    readings.What = StreamDescription::Kind::Readings;
    IntegrationSettings oneSecond;
    oneSecond.Rfi.Enabled = true;
    BlockIntegrator meter(oneSecond, readings, [&] { return now; });
    for (int i = 0; i < 20; ++i) {
        now = 46000.0 + i * 0.05 / kSecondsPerDay;
        meter.Reading(i == 7 ? 1000.0 : (i % 2 == 0 ? 1.0 : 3.0));
    }
    meter.Tick();
    EXPECT_TRUE(meter.TakeBlocks().empty()); // τ has not passed yet
    now = 46000.0 + 1.01 / kSecondsPerDay;
    meter.Tick();
    const std::vector<PowerBlock> read = meter.TakeBlocks();
    ASSERT_EQ(read.size(), 1U);
    EXPECT_EQ(read[0].Samples, 20U);
    EXPECT_NEAR(read[0].RfiDroppedShare, 0.05, 1e-12);
    EXPECT_NEAR(read[0].PowerDb, 10 * std::log10(37.0 / 19), 1e-9); // ten 1s, nine 3s
    EXPECT_NEAR((read[0].UtcEnd - read[0].UtcStart) * kSecondsPerDay, 1.0, 1e-6);
    EXPECT_GT(read[0].SigmaDb, 0);
}

TEST(BlockIntegrator, ReadingsBlocksFollowEachOtherAndSkipSilentStretches) {
    DateTime now = 46000.0;
    StreamDescription readings;
    readings.What = StreamDescription::Kind::Readings;
    readings.WholeDbSteps = true;
    IntegrationSettings settings;
    settings.TauS = 1.0;
    BlockIntegrator meter(settings, readings, [&] { return now; });
    const auto at = [&](double s, double value) {
        now = 46000.0 + s / kSecondsPerDay;
        meter.Reading(value);
    };
    at(0.0, 2.0);
    at(0.5, 2.0);
    at(1.2, 4.0); // closes [0, 1): two readings
    at(5.3, 8.0); // closes [1, 2): one reading; [2, 5) had none
    at(5.9, 8.0);
    now = 46000.0 + 6.01 / kSecondsPerDay;
    meter.Tick(); // closes [5, 6)
    const std::vector<PowerBlock> b = meter.TakeBlocks();
    ASSERT_EQ(b.size(), 3U);
    const double starts[] = {0, 1, 5};
    const std::uint64_t counts[] = {2, 1, 2};
    const double powers[] = {2, 4, 8};
    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_NEAR((b[i].UtcStart - 46000.0) * kSecondsPerDay, starts[i], 1e-6) << i;
        EXPECT_EQ(b[i].Samples, counts[i]) << i;
        EXPECT_NEAR(b[i].PowerDb, 10 * std::log10(powers[i]), 1e-12) << i;
        EXPECT_TRUE(b[i].WholeDbSteps);
    }
    EXPECT_TRUE(std::isnan(b[1].SigmaDb)); // one reading: no σ
    EXPECT_EQ(b[0].SigmaDb, 0.0);          // equal readings
    EXPECT_TRUE(std::isnan(b[0].ScatterDb));
    EXPECT_GT(b[2].ScatterDb, 0);
}

TEST(ReadingLine, ReadsAPowerMetersLines) {
    struct Row {
        const char* Line;
        ReadingUnit Unit;
        int Column;
        std::optional<double> Linear;
        const char* Problem; ///< part of it; "" for none
    };
    const Row rows[] = {
        {"-45.3", ReadingUnit::Dbm, 1, std::pow(10, -4.53), ""},
        {"+3", ReadingUnit::Db, 1, std::pow(10, 0.3), ""},
        {"2024-01-01 12:00:00, -60.25 ; x", ReadingUnit::Dbm, 3, std::pow(10, -6.025), ""},
        {"12:00:00\t1.5e-9\r", ReadingUnit::Watt, 2, 1.5e-6, ""},
        {"0.25", ReadingUnit::Milliwatt, 1, 0.25, ""},
        {"", ReadingUnit::Dbm, 1, std::nullopt, ""},
        {"   ", ReadingUnit::Dbm, 1, std::nullopt, ""},
        {"# header", ReadingUnit::Dbm, 1, std::nullopt, ""},
        {"12:00:00 -45", ReadingUnit::Dbm, 1, std::nullopt,
         "'12:00:00' in column 1 is not a number"},
        {"-45", ReadingUnit::Dbm, 2, std::nullopt, "1 field(s), column 2"},
        {"-45dBm", ReadingUnit::Dbm, 1, std::nullopt, "not a number"},
        {"nan", ReadingUnit::Dbm, 1, std::nullopt, "not a number"},
        {"1e999", ReadingUnit::Dbm, 1, std::nullopt, "not a number"},
        {"1001", ReadingUnit::Db, 1, std::nullopt, "beyond"},
        // A linear meter at its zero reads 0 or a little below: kept, so
        // that the mean stays linear and unbiased.
        {"0", ReadingUnit::Watt, 1, 0.0, ""},
        {"-1e-3", ReadingUnit::Milliwatt, 1, -1e-3, ""},
        {"1e308", ReadingUnit::Watt, 1, std::nullopt, "out of range"},
        // A decimal comma is refused, never read as -61 (nor 1 and 5).
        {"-61,5", ReadingUnit::Dbm, 1, std::nullopt, "decimal comma"},
        {"12:00:00 -61,5", ReadingUnit::Dbm, 2, std::nullopt, "decimal comma"},
        {"1,5", ReadingUnit::Dbm, 1, std::nullopt, "decimal comma"},
        // Comma-separated fields are no decimal comma.
        {"t1,-61.5", ReadingUnit::Dbm, 2, std::pow(10, -6.15), ""},
        {"12,-61", ReadingUnit::Dbm, 2, std::pow(10, -6.1), ""},
    };
    for (const Row& r : rows) {
        const LineReading got = ParseReadingLine(r.Line, r.Unit, r.Column);
        ASSERT_EQ(got.Linear.has_value(), r.Linear.has_value()) << r.Line << ": " << got.Problem;
        if (r.Linear) {
            EXPECT_NEAR(*got.Linear, *r.Linear, 1e-12 * std::fabs(*r.Linear)) << r.Line;
        }
        EXPECT_NE(got.Problem.find(r.Problem), std::string::npos) << r.Line << ": " << got.Problem;
        EXPECT_EQ(got.Problem.empty(), std::string_view(r.Problem).empty()) << r.Line;
    }
    EXPECT_EQ(ParseReadingUnit("dBm"), ReadingUnit::Dbm);
    EXPECT_EQ(ParseReadingUnit("MW"), ReadingUnit::Milliwatt);
    EXPECT_FALSE(ParseReadingUnit("dbw"));
}

} // namespace
} // namespace vantrel
