#pragma once

#include "astro/DateTime.h"

#include <cstdint>
#include <optional>
#include <string>

namespace vantrel {

/// Where the antenna pointed while a block was integrated: the rotator's
/// reported position and the tracked source, when tracking runs.
struct BlockPointing {
    std::string Source;      ///< the tracked source's key ("sun", "cas", ...), empty when none
    double AzimuthDeg = 0;   ///< reported azimuth, degrees, as the rotator reports it
    double ElevationDeg = 0; ///< reported elevation, degrees
};

/// One integration block of the radiometer: linear power averaged over a
/// fixed number of samples (rate·τ) or readings, timed by the stream's own
/// sample clock from its start.
///
/// Power is in dB relative to the input's own reference: full scale 1 for
/// SDR and sound card samples (a real full-scale sine is −3.01 dB), the
/// readings' unit (dBm or dB) for a command or an S-meter. Averages are taken
/// in linear power, never in dB.
struct PowerBlock {
    DateTime UtcStart = 0; ///< UTC of the block's first sample (days since 1899-12-30)
    DateTime UtcEnd = 0;   ///< UTC just after its last sample
    double PowerDb = 0;    ///< mean linear power, in dB
    /// One-sigma uncertainty of PowerDb, dB. Samples: the radiometer
    /// equation, 10·log10(1 + 1/√(B·τ)). Readings (B unknown): the standard
    /// error of their mean, 10·log10(1 + s/(√n·mean)); NaN for one reading.
    double SigmaDb = 0;
    double ScatterDb =
        0; ///< standard deviation of the last blocks' powers, dB; NaN until there are two
    std::uint64_t Samples = 0;   ///< samples (or readings) averaged
    std::uint64_t Clipped = 0;   ///< samples at or near full scale
    double RfiDroppedShare = 0;  ///< share (0..1) of bins or sub-blocks the RFI filter left out
    double NoiseBandwidthHz = 0; ///< B of the radiometer equation, Hz; 0 when unknown
    double IntegrationS = 0;     ///< τ, seconds of samples in the block
    bool Overload = false;       ///< clipping seen: the reading is not to be trusted
    bool WholeDbSteps = false;   ///< an S-meter: whole-dB readings, fit for peaking, not for G/T
    /// Cut short when the run ended: fewer samples (or a shorter time) than
    /// τ asks; σ, B and IntegrationS are those of what it holds.
    bool Partial = false;
    std::optional<BlockPointing> Pointing; ///< filled by the caller while tracking runs
};

} // namespace vantrel
