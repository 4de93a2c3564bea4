#include "radiometer/BlockIntegrator.h"

#include "radiometer/RadiometerEquation.h"
#include "radiometer/SamplePower.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <limits>
#include <numeric>

namespace vantrel {

namespace {

constexpr double kSecondsPerDay = 86400.0;
/// DateTime of the Unix epoch, 1970-01-01 00:00 UTC, in days since 1899-12-30.
constexpr double kUnixEpochDays = 25569.0;
/// The power given for a block of zeros, dB: far below any sample's (a
/// 16-bit LSB is −96 dBFS).
constexpr double kSilenceDb = -300.0;
constexpr int kFewestScatterBlocks = 2;
constexpr int kMostScatterBlocks = 1000;
constexpr int kFewestSubBlocks = 8;
constexpr int kMostSubBlocks = 1024;
constexpr double kLowestThresholdMad = 2;
constexpr double kHighestThresholdMad = 100;

double Db(double linear) {
    return linear > 0 ? 10 * std::log10(linear) : kSilenceDb;
}

} // namespace

DateTime SystemUtcNow() {
    const auto since = std::chrono::system_clock::now().time_since_epoch();
    return kUnixEpochDays + std::chrono::duration<double>(since).count() / kSecondsPerDay;
}

std::string IntegrationSettingsProblem(const IntegrationSettings& s) {
    if (!(s.TauS >= kShortestTauS && s.TauS <= kLongestTauS)) {
        return "The integration time must be from 0.1 to 600 s.";
    }
    if (s.ScatterBlocks < kFewestScatterBlocks || s.ScatterBlocks > kMostScatterBlocks) {
        return "The scatter must be taken over 2 to 1000 blocks.";
    }
    if (!(s.ClipLevel >= 0.5 && s.ClipLevel <= 1.0)) {
        return "The clip level must be from 0.5 to 1 of full scale.";
    }
    if (s.SubBlocks < kFewestSubBlocks || s.SubBlocks > kMostSubBlocks) {
        return "A block must be cut into 8 to 1024 sub-blocks.";
    }
    if (s.Rfi.Enabled && !(s.Rfi.ThresholdMad >= kLowestThresholdMad &&
                           s.Rfi.ThresholdMad <= kHighestThresholdMad)) {
        return "The RFI filter's threshold must be from 2 to 100 robust standard deviations.";
    }
    if (s.Spectrum) {
        return SpectrumSettingsProblem(*s.Spectrum);
    }
    return {};
}

BlockIntegrator::BlockIntegrator(const IntegrationSettings& settings,
                                 const StreamDescription& stream, UtcSource utcNow)
    : settings_(settings), stream_(stream), utcNow_(std::move(utcNow)) {
    if (stream.What == StreamDescription::Kind::Readings) {
        return;
    }
    if (!(stream.RateHz > 0) || !std::isfinite(stream.RateHz)) {
        problem_ = "The input gave no sample rate.";
        return;
    }
    const double wanted = stream.RateHz * settings.TauS;
    if (settings.Spectrum) {
        spectrum_ =
            std::make_unique<Periodogram>(*settings.Spectrum, stream.RateHz,
                                          stream.What == StreamDescription::Kind::ComplexSamples);
        problem_ = spectrum_->Problem();
        const auto n = static_cast<std::uint64_t>(settings.Spectrum->Bins);
        const auto frames = std::max<std::uint64_t>(
            1, static_cast<std::uint64_t>(std::llround(wanted / static_cast<double>(n))));
        blockSamples_ = frames * n;
    } else {
        blockSamples_ =
            std::max<std::uint64_t>(1, static_cast<std::uint64_t>(std::llround(wanted)));
    }
    const auto subBlocks = static_cast<std::uint64_t>(settings.SubBlocks);
    subBlockSamples_ = std::max<std::uint64_t>(1, blockSamples_ / subBlocks);
    StartBlock();
}

BlockIntegrator::~BlockIntegrator() = default;

void BlockIntegrator::StartBlock() {
    inBlock_ = 0;
    blockSum_ = 0;
    blockClipped_ = 0;
    subSums_.clear();
    subCounts_.clear();
}

template <typename Sample> void BlockIntegrator::AddSamples(std::span<const Sample> samples) {
    if (!problem_.empty() || samples.empty()) {
        return;
    }
    received_ += samples.size();
    if (!anchorUtc_) {
        // The samples in hand were taken over n/rate seconds before now.
        anchorUtc_ =
            utcNow_() - static_cast<double>(samples.size()) / stream_.RateHz / kSecondsPerDay;
        sinceAnchor_ = 0;
    }
    const auto clip = static_cast<float>(settings_.ClipLevel);
    std::size_t at = 0;
    while (at < samples.size()) {
        // Pieces end at sub-block and block boundaries.
        const std::uint64_t subLeft = subBlockSamples_ - inBlock_ % subBlockSamples_;
        const std::uint64_t blockLeft = blockSamples_ - inBlock_;
        const std::size_t take = static_cast<std::size_t>(
            std::min<std::uint64_t>({subLeft, blockLeft, samples.size() - at}));
        const std::span<const Sample> piece = samples.subspan(at, take);
        PowerSum sum;
        if constexpr (std::is_same_v<Sample, float>) {
            sum = SumRealPower(piece, clip);
            if (spectrum_) {
                spectrum_->AddReal(piece);
            }
        } else {
            sum = SumComplexPower(piece, clip);
            if (spectrum_) {
                spectrum_->AddComplex(piece);
            }
        }
        blockSum_ += sum.Sum;
        blockClipped_ += sum.Clipped;
        const std::size_t sub = static_cast<std::size_t>(inBlock_ / subBlockSamples_);
        if (settings_.Rfi.Enabled && !spectrum_) {
            if (subSums_.size() <= sub) {
                subSums_.resize(sub + 1, 0.0);
                subCounts_.resize(sub + 1, 0);
            }
            subSums_[sub] += sum.Sum;
            subCounts_[sub] += take;
        }
        inBlock_ += take;
        at += take;
        if (inBlock_ == blockSamples_) {
            FinishSampleBlock();
        }
    }
}

void BlockIntegrator::Complex(std::span<const std::complex<float>> samples) {
    AddSamples(samples);
}

void BlockIntegrator::Real(std::span<const float> samples) {
    AddSamples(samples);
}

void BlockIntegrator::FinishSampleBlock() {
    const double rate = stream_.RateHz;
    PowerBlock block;
    block.UtcStart = *anchorUtc_ + static_cast<double>(sinceAnchor_) / rate / kSecondsPerDay;
    block.UtcEnd =
        *anchorUtc_ + static_cast<double>(sinceAnchor_ + inBlock_) / rate / kSecondsPerDay;
    block.Samples = inBlock_;
    block.Clipped = blockClipped_;
    block.Overload = blockClipped_ > 0;
    block.IntegrationS = static_cast<double>(inBlock_) / rate;
    double power = 0;
    double keptSeconds = block.IntegrationS;
    if (spectrum_) {
        SpectrumSnapshot shot;
        const std::optional<BandPower> band = spectrum_->Finish(settings_.Rfi, &shot);
        power = band ? band->Power : 0.0;
        // B·τ is the frames' equivalent number of independent samples
        // (overlapping frames and correlated bins counted): B follows for
        // the block's τ.
        block.NoiseBandwidthHz =
            band && block.IntegrationS > 0 ? band->IndependentSamples / block.IntegrationS : 0.0;
        block.RfiDroppedShare = band ? band->DroppedShare : 0.0;
        snapshots_.push_back(std::move(shot));
    } else {
        block.NoiseBandwidthHz =
            stream_.What == StreamDescription::Kind::ComplexSamples ? rate : rate / 2;
        power = blockSum_ / static_cast<double>(inBlock_);
        if (settings_.Rfi.Enabled && !subSums_.empty()) {
            std::vector<double> means(subSums_.size());
            for (std::size_t i = 0; i < means.size(); ++i) {
                means[i] =
                    subSums_[i] / static_cast<double>(std::max<std::uint64_t>(1, subCounts_[i]));
            }
            std::vector<char> dropped;
            const std::size_t count =
                MarkFarAboveMedian(means, settings_.Rfi.ThresholdMad, dropped);
            if (count > 0) {
                double sum = 0;
                std::uint64_t kept = 0;
                for (std::size_t i = 0; i < means.size(); ++i) {
                    if (dropped[i] == 0) {
                        sum += subSums_[i];
                        kept += subCounts_[i];
                    }
                }
                power = sum / static_cast<double>(kept);
                keptSeconds = static_cast<double>(kept) / rate;
            }
            block.RfiDroppedShare = static_cast<double>(count) / static_cast<double>(means.size());
        }
    }
    block.SigmaDb = RadiometerSigmaDb(block.NoiseBandwidthHz, keptSeconds);
    sinceAnchor_ += inBlock_;
    StartBlock();
    Complete(block, power);
}

void BlockIntegrator::Reading(double linearPower) {
    ++received_;
    const DateTime utc = utcNow_();
    const double tauDays = settings_.TauS / kSecondsPerDay;
    if (!windowStart_) {
        windowStart_ = utc;
    }
    if (utc >= *windowStart_ + tauDays) {
        FinishReadingBlock();
        // The window the reading falls in; empty ones between give nothing.
        const double steps = std::floor((utc - *windowStart_) / tauDays);
        *windowStart_ += steps * tauDays;
        if (utc >= *windowStart_ + tauDays) { // rounding
            *windowStart_ += tauDays;
        }
    }
    readings_.push_back(linearPower);
}

void BlockIntegrator::Tick() {
    if (stream_.What != StreamDescription::Kind::Readings || !windowStart_ || readings_.empty()) {
        return;
    }
    const double tauDays = settings_.TauS / kSecondsPerDay;
    if (utcNow_() >= *windowStart_ + tauDays) {
        FinishReadingBlock();
        *windowStart_ += tauDays;
    }
}

void BlockIntegrator::FinishReadingBlock() {
    if (readings_.empty()) {
        return;
    }
    PowerBlock block;
    block.UtcStart = *windowStart_;
    block.UtcEnd = *windowStart_ + settings_.TauS / kSecondsPerDay;
    block.IntegrationS = settings_.TauS;
    block.Samples = readings_.size();
    block.WholeDbSteps = stream_.WholeDbSteps;
    std::vector<char> dropped(readings_.size(), 0);
    std::size_t count = 0;
    if (settings_.Rfi.Enabled) {
        count = MarkFarAboveMedian(readings_, settings_.Rfi.ThresholdMad, dropped);
        block.RfiDroppedShare = static_cast<double>(count) / static_cast<double>(readings_.size());
    }
    double sum = 0;
    double sum2 = 0;
    double n = 0;
    for (std::size_t i = 0; i < readings_.size(); ++i) {
        if (dropped[i] == 0) {
            sum += readings_[i];
            n += 1;
        }
    }
    const double mean = sum / n;
    for (std::size_t i = 0; i < readings_.size(); ++i) {
        if (dropped[i] == 0) {
            sum2 += (readings_[i] - mean) * (readings_[i] - mean);
        }
    }
    block.SigmaDb = n >= 2 && mean > 0 ? 10 * std::log10(1 + std::sqrt(sum2 / (n - 1) / n) / mean)
                                       : std::numeric_limits<double>::quiet_NaN();
    readings_.clear();
    Complete(block, mean);
}

void BlockIntegrator::Complete(PowerBlock block, double linearPower) {
    if (!(linearPower > 0) && !silenceNoted_) {
        notes_.emplace_back(stream_.What == StreamDescription::Kind::Readings
                                ? "The meter's mean reading is at or below 0 (it reads its zero): "
                                  "the block is given as -300 dB. Is the meter zeroed, or its "
                                  "range too coarse?"
                                : "The input delivers silence (zeros): is it muted, or its gain "
                                  "at 0?");
        silenceNoted_ = true;
    }
    block.PowerDb = Db(linearPower);
    recentDb_.push_back(block.PowerDb);
    while (recentDb_.size() > static_cast<std::size_t>(settings_.ScatterBlocks)) {
        recentDb_.pop_front();
    }
    block.ScatterDb = std::numeric_limits<double>::quiet_NaN();
    if (recentDb_.size() >= 2) {
        const double n = static_cast<double>(recentDb_.size());
        const double mean = std::accumulate(recentDb_.begin(), recentDb_.end(), 0.0) / n;
        double s2 = 0;
        for (double v : recentDb_) {
            s2 += (v - mean) * (v - mean);
        }
        block.ScatterDb = std::sqrt(s2 / (n - 1));
    }
    finished_.push_back(std::move(block));
}

void BlockIntegrator::FinishPartial() {
    if (stream_.What == StreamDescription::Kind::Readings) {
        if (readings_.empty() || !windowStart_) {
            return;
        }
        const std::size_t before = finished_.size();
        const DateTime now = utcNow_();
        FinishReadingBlock();
        if (finished_.size() > before) {
            PowerBlock& b = finished_.back();
            b.UtcEnd = std::min(b.UtcEnd, std::max(now, b.UtcStart));
            b.IntegrationS = (b.UtcEnd - b.UtcStart) * kSecondsPerDay;
            b.Partial = true;
        }
        return;
    }
    if (!problem_.empty() || inBlock_ == 0 || !anchorUtc_ ||
        (spectrum_ && spectrum_->Frames() == 0)) {
        return;
    }
    const std::size_t before = finished_.size();
    FinishSampleBlock();
    if (finished_.size() > before) {
        finished_.back().Partial = true;
    }
}

double BlockIntegrator::AheadOfClockS(DateTime utcNow) const {
    if (stream_.What == StreamDescription::Kind::Readings || !anchorUtc_) {
        return 0;
    }
    const double sampleUtc = *anchorUtc_ + static_cast<double>(sinceAnchor_ + inBlock_) /
                                               stream_.RateHz / kSecondsPerDay;
    return std::max(0.0, (sampleUtc - utcNow) * kSecondsPerDay);
}

void BlockIntegrator::Gap(std::string_view why) {
    notes_.emplace_back(why);
    if (spectrum_) {
        spectrum_->Reset();
    }
    StartBlock();
    anchorUtc_.reset();
    readings_.clear();
    windowStart_.reset();
}

void BlockIntegrator::Note(std::string_view text) {
    notes_.emplace_back(text);
}

std::vector<PowerBlock> BlockIntegrator::TakeBlocks() {
    std::vector<PowerBlock> out;
    out.swap(finished_);
    return out;
}

std::vector<std::string> BlockIntegrator::TakeNotes() {
    std::vector<std::string> out;
    out.swap(notes_);
    return out;
}

std::optional<SpectrumSnapshot> BlockIntegrator::TakeSpectrum() {
    std::optional<SpectrumSnapshot> out;
    if (!snapshots_.empty()) {
        out = std::move(snapshots_.back());
        snapshots_.clear();
    }
    return out;
}

std::vector<SpectrumSnapshot> BlockIntegrator::TakeSpectra() {
    std::vector<SpectrumSnapshot> out;
    out.swap(snapshots_);
    return out;
}

} // namespace vantrel
