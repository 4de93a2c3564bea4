#pragma once

#include "radiometer/PowerBlock.h"

#include <string>

namespace vantrel {

/// A Y-factor read by the radiometer: the power of a block on the source
/// over that of a block on cold sky (the reference), both of the same input
/// with the same settings.
struct YFactorReading {
    double YDb = 0; ///< on − reference, dB (the ratio of their linear powers)
    /// One-sigma uncertainty of YDb, dB: the two blocks' σ in quadrature,
    /// √(σ_on² + σ_ref²) (independent blocks; for σ of a few tenths of a dB
    /// and less the dB scale is linear enough for this). NaN when either
    /// block's σ is unknown (a single reading). This is the radiometer
    /// equation's floor only: a receiver whose gain drifts is further off,
    /// 10-20 times for an uncooled LNA between a reference and an on
    /// reading; `OnOffY` and `OffOnOffY` (radiometer/YUncertainty.h) give a
    /// σ that holds.
    double SigmaDb = 0;
    /// Why the Y-factor is not fit for G/T, as a sentence that says what to
    /// do: a clipped block, whole-dB readings of an S-meter, a Y at or below
    /// 0 dB. Empty when it is fit.
    std::string Problem;
};

/// The Y-factor of `on` against `reference` (both in dB of the same unit).
YFactorReading YFactorOf(const PowerBlock& on, const PowerBlock& reference);

} // namespace vantrel
