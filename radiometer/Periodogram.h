#pragma once

#include "radiometer/RfiFilter.h"

#include <complex>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace vantrel {

/// The window applied to each frame before its FFT (Harris, Proc. IEEE 66
/// (1978) 51; the periodic, DFT-even forms).
enum class WindowFunction { Rectangular, Hann, BlackmanHarris };

/// A band of the sampled stream, Hz: for complex samples the offset from
/// the centre frequency (negative below it), for real samples the audio
/// frequency.
struct BandHz {
    double Lo = 0;
    double Hi = 0;
    bool operator==(const BandHz&) const = default;
};

/// How the spectrum path measures power.
struct SpectrumSettings {
    int Bins = 4096; ///< FFT length N, 16 to 1048576: bins of rate/N Hz
    WindowFunction Window = WindowFunction::Hann;
    std::optional<BandHz> Band; ///< the band measured; none: the whole usable band
    /// Share of the sampled band left out at each of its edges, where the
    /// receiver's anti-alias filter rolls off: 0 to 0.45.
    double EdgeShare = 0.1;
    /// Bins left out on each side of 0 Hz, where the DC spike of a
    /// direct-conversion receiver (or a sound card's offset) sits.
    int DcBins = 2;
    /// Frames overlap by half a frame (Welch 1967): a tapered window then
    /// uses nearly every sample (B·τ 0.96 of the ideal for Hann, where
    /// frames side by side give 0.515 of it; 0.73 for Blackman-Harris). A
    /// rectangular window gains nothing by overlap, and its frames never
    /// overlap.
    bool Overlap = true;
};

/// "" when the settings can be used, else the sentence that says why not.
std::string SpectrumSettingsProblem(const SpectrumSettings& settings);

/// The averaged spectrum of one block, for display: bins in frequency
/// order (complex: −rate/2 up to +rate/2; real: 0 up to rate/2).
struct SpectrumSnapshot {
    double FirstBinHz = 0;      ///< frequency of the first bin, Hz (as BandHz)
    double BinHz = 0;           ///< bin spacing, Hz
    std::vector<float> PowerDb; ///< mean power of each bin, dB relative to full scale
    /// 0 left out (band edge, DC, outside the band), 1 used, 2 used but
    /// dropped by the RFI filter in this block.
    std::vector<std::uint8_t> Use;
};

/// What one block of the spectrum path measured.
struct BandPower {
    double Power = 0; ///< mean power in the band, (full scale)²
    /// B·τ of the radiometer equation: the equivalent number of independent
    /// samples of the band's power over the frames of the block (their
    /// correlations in frequency and, when they overlap, in time counted).
    double IndependentSamples = 0;
    /// B of the radiometer equation for the bins kept, Hz, for frames side
    /// by side (K·rate/N divided by the correlation of the bins).
    double NoiseBandwidthHz = 0;
    double DroppedShare = 0; ///< share of the band's bins the RFI filter left out
    std::uint64_t Frames = 0;
};

/// The averaged periodogram (Welch's averaged power spectrum) of a sample
/// stream (FFTW3, single precision): frames of N samples, windowed, transformed, |X|² summed per
/// bin. The power of the band is the sum of the mean power of its bins,
/// normalised so that it equals mean |x|² for noise filling the band
/// (Parseval): p_k = |X_k|²/(N·Σw²), doubled for the positive frequencies
/// of real samples.
///
/// The B of the radiometer equation for the bins kept is their statistical
/// bandwidth: (rate/N)·K²/Σ_{k,l}ρ²(k−l), where ρ(d) is the correlation of
/// two bins d apart that the window causes, |Σw_n²·e^{−2πidn/N}|/Σw_n²
/// (Welch, IEEE Trans. Audio Electroacoust. 15 (1967) 70). For the
/// rectangular window it is K·rate/N, the bins' noise bandwidth; a Hann
/// window's correlated neighbours make it about K·rate/(1.94·N).
///
/// Frames overlap by N/2 (SpectrumSettings::Overlap, not for the
/// rectangular window). The block's B·τ, the equivalent number of
/// independent samples of its band power, then counts the correlation of
/// overlapping frames too: for F frames of K kept bins,
/// M = (F·K)² / (F·S₀ + 2(F−1)·S₁), S_s = Σ_{k,l}ρ_s²(k−l), with
/// ρ_s(d) = |Σ_n w_n·w_{n+s}·e^{−2πidn/N}|/Σw² for frames s samples apart
/// (Welch 1967, eq. 11; a Hann window's frames half a frame apart correlate
/// by ρ_{N/2}(0) = 0.167, Harris, Proc. IEEE 66 (1978) 51, table 1). A
/// Hann window then reaches 0.96 of the ideal receiver's B·τ, where frames
/// side by side reach 0.515 of it.
///
/// Not thread-safe; FFTW plans are made under a lock of their own.
class Periodogram {
public:
    /// `rateHz`: samples a second; `complex`: IQ samples, else real ones.
    /// The settings must have no problem (SpectrumSettingsProblem).
    Periodogram(const SpectrumSettings& settings, double rateHz, bool complex);
    ~Periodogram();
    Periodogram(const Periodogram&) = delete;
    Periodogram& operator=(const Periodogram&) = delete;

    /// "" when the band leaves bins to measure at this rate, else why not.
    const std::string& Problem() const { return problem_; }
    int Bins() const { return bins_; }
    /// Bins in the band before any RFI filtering.
    std::size_t UsedBins() const { return usedCount_; }

    /// Adds samples; a frame left part-filled waits for the next call.
    void AddComplex(std::span<const std::complex<float>> samples);
    void AddReal(std::span<const float> samples);
    std::uint64_t Frames() const { return frames_; }

    /// Ends a block: the band's power over the whole frames so far (the
    /// part-filled frame is carried over), with the RFI filter when
    /// enabled; the spectrum for display when `snapshot` is given. Starts
    /// the next block. Nothing when no frame is complete.
    std::optional<BandPower> Finish(const RfiFilterSettings& rfi, SpectrumSnapshot* snapshot);

    /// Drops everything summed so far and the part-filled frame.
    void Reset();

private:
    void Transform();
    /// Σ_{k,l kept} ρ²(k−l) for a table of ρ² by lag.
    double CorrelatedSum(const std::vector<char>& keep, const std::vector<double>& rho2) const;

    struct Fft;
    std::unique_ptr<Fft> fft_;
    int bins_;
    double rateHz_;
    bool complex_;
    std::string problem_;
    std::vector<float> window_;
    double windowPower_ = 0;                ///< Σw²
    std::vector<double> correlation2_;      ///< ρ₀² by lag, to the last one that matters
    std::vector<double> shifted2_;          ///< ρ²_{N/2} by lag (overlapping frames)
    std::size_t hop_ = 0;                   ///< samples from one frame's start to the next
    std::vector<std::complex<float>> held_; ///< the frame's samples, unwindowed
    std::vector<std::size_t> order_;        ///< FFT bin of each displayed bin, in frequency order
    std::vector<char> used_;                ///< by displayed bin
    std::size_t usedCount_ = 0;
    std::vector<double> sum_; ///< Σ|X|² by FFT bin
    std::size_t filled_ = 0;  ///< samples in the part-filled frame
    std::uint64_t frames_ = 0;
};

} // namespace vantrel
