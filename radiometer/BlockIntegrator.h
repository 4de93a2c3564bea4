#pragma once

#include "radiometer/Periodogram.h"
#include "radiometer/PowerBlock.h"
#include "radiometer/PowerInput.h"
#include "radiometer/RfiFilter.h"

#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace vantrel {

/// Integration time limits, seconds.
inline constexpr double kShortestTauS = 0.1;
inline constexpr double kLongestTauS = 600.0;

/// How blocks are integrated.
struct IntegrationSettings {
    double TauS = 1.0; ///< τ, seconds of samples per block, 0.1 to 600
    /// The spectrum path (a band, or the band without its edges and DC);
    /// none: the whole band's mean |x|².
    std::optional<SpectrumSettings> Spectrum;
    RfiFilterSettings Rfi;
    int ScatterBlocks = 10; ///< blocks the scatter is taken over, 2 to 1000
    double ClipLevel =
        0.98; ///< |I|, |Q| or |x| from this (full scale 1) counts as clipped, 0.5 to 1
    /// Sub-blocks a block of samples is cut into for the RFI filter of the
    /// whole-band path, 8 to 1024.
    int SubBlocks = 64;
};

/// "" when the settings can be used, else the sentence that says why not.
std::string IntegrationSettingsProblem(const IntegrationSettings& settings);

/// Turns a stream of samples or readings into PowerBlocks: linear power
/// averaged in consecutive blocks.
///
/// Samples: a block is rate·τ samples (the spectrum path: the nearest whole
/// number of frames, at least one), so a source that delivers faster or
/// slower than real time still gives true blocks. Its times come from the
/// stream's sample clock: the UTC at which the first samples arrived, less
/// their duration, plus sample count / rate. Power: mean |x|² (whole band,
/// B = rate for IQ samples, rate/2 for real ones: the noise is assumed to
/// fill the sampled band) or the band's power from the averaged spectrum (B
/// its statistical bandwidth). σ is the radiometer equation's for B and the
/// time of the samples kept.
///
/// Readings (a command, an S-meter): a block holds the readings that
/// arrived within τ of its start; blocks follow each other without gaps
/// from the first reading on, and a stretch without readings gives no
/// block. σ is the standard error of the readings' mean (B is unknown).
/// A linear reading of 0 or less (a meter near its zero) is averaged as
/// it is; a block whose mean is not above 0 is given as −300 dB with a
/// note.
///
/// The RFI filter drops sub-blocks (whole band), bins (spectrum) or
/// readings far above the median; the power is then the mean of the rest.
/// A power of 0 (silence) is given as −300 dB with a note.
class BlockIntegrator final : public SampleSink {
public:
    using UtcSource = std::function<DateTime()>;

    /// The settings must have no problem (IntegrationSettingsProblem);
    /// `utcNow` anchors the sample clock and times readings' blocks.
    BlockIntegrator(const IntegrationSettings& settings, const StreamDescription& stream,
                    UtcSource utcNow);
    ~BlockIntegrator() override;
    BlockIntegrator(const BlockIntegrator&) = delete;
    BlockIntegrator& operator=(const BlockIntegrator&) = delete;

    /// "" when the stream can be integrated so, else why not (a band outside
    /// the sampled band).
    const std::string& Problem() const { return problem_; }

    void Complex(std::span<const std::complex<float>> samples) override;
    void Real(std::span<const float> samples) override;
    void Reading(double linearPower) override;
    void Gap(std::string_view why) override;
    void Note(std::string_view text) override;

    /// Readings: ends the block whose τ has passed by now. Does nothing for
    /// samples, whose blocks end with their last sample.
    void Tick();

    /// Ends the block in progress as it is, flagged Partial: its σ, B and τ
    /// from the samples (or readings, up to now) it holds. Nothing when it
    /// holds none (the spectrum path: no whole frame). For the end of a run.
    void FinishPartial();

    /// Samples and readings received so far, for telling a silent input.
    std::uint64_t Received() const { return received_; }

    /// Samples: how far the sample clock (the anchor plus the samples
    /// received over the rate) runs ahead of `utcNow`, seconds; 0 for
    /// readings or before the first sample. A source that delivers faster
    /// than real time (a file) runs ahead.
    double AheadOfClockS(DateTime utcNow) const;

    /// Moves the finished blocks out, oldest first.
    std::vector<PowerBlock> TakeBlocks();
    /// Moves the notes out (gaps, silence, a command's standard error).
    std::vector<std::string> TakeNotes();
    /// The averaged spectrum of the last block of the spectrum path, once.
    std::optional<SpectrumSnapshot> TakeSpectrum();
    /// The spectra of every block of the spectrum path since the last
    /// take, one per block in their order.
    std::vector<SpectrumSnapshot> TakeSpectra();

private:
    template <typename Sample> void AddSamples(std::span<const Sample> samples);
    void FinishSampleBlock();
    void FinishReadingBlock();
    void Complete(PowerBlock block, double linearPower);
    void StartBlock();

    IntegrationSettings settings_;
    StreamDescription stream_;
    UtcSource utcNow_;
    std::string problem_;
    std::unique_ptr<Periodogram> spectrum_;

    // Samples.
    std::uint64_t blockSamples_ = 0; ///< samples per block
    std::uint64_t subBlockSamples_ = 0;
    std::optional<DateTime> anchorUtc_; ///< UTC of sample 0 since the start or the last gap
    std::uint64_t sinceAnchor_ = 0;     ///< samples since the anchor, up to the block's start
    std::uint64_t inBlock_ = 0;
    double blockSum_ = 0;
    std::uint64_t blockClipped_ = 0;
    std::vector<double> subSums_;
    std::vector<std::uint64_t> subCounts_;

    // Readings.
    std::optional<DateTime> windowStart_;
    std::vector<double> readings_;

    std::deque<double> recentDb_;
    std::vector<PowerBlock> finished_;
    std::vector<std::string> notes_;
    std::vector<SpectrumSnapshot> snapshots_; ///< of the blocks finished, not yet taken
    bool silenceNoted_ = false;
    std::uint64_t received_ = 0;
};

/// The present UTC from the system clock, as a DateTime.
DateTime SystemUtcNow();

} // namespace vantrel
