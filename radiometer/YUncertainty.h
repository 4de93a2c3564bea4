#pragma once

#include "radiometer/PowerBlock.h"

#include <span>
#include <string>

namespace vantrel {

/// A Y-factor from runs of blocks, with a one-sigma uncertainty that covers
/// what the receiver really does, not only what the radiometer equation
/// allows.
///
/// Three estimates of σ are formed and the largest is taken:
///  1. "radiometer": each run's mean has σ = √(Σσᵢ²)/n from the blocks' own
///     σ (the radiometer equation, Kraus, Radio Astronomy, 2nd ed., §7-3);
///     the runs' σ add in quadrature with their weights. It holds for white
///     noise and a receiver of constant gain only.
///  2. "scatter of N blocks": the same with each run's σ taken from the
///     scatter of its own blocks, s/√n: white noise beyond the radiometer's
///     (a meter's jitter, interference) shows here. Needs two blocks in
///     every run.
///  3. "gain drift over T s": a gain that wanders as a random walk of
///     coefficient D (dB/√s) moves the level between two runs by D²·(g +
///     T₁/3 + T₂/3) in variance (g the gap between them, T their spans);
///     its size grows with the time between the reference and the on
///     reading, which the scatter of a run cannot show. D² is estimated
///     from the Allan variance of the blocks at their own length τ₀:
///     σ²_A(τ₀) = ½⟨(ȳₖ₊₁ − ȳₖ)²⟩ = σ²_white + D²τ₀/3 for a random walk
///     (Allan 1966, Proc. IEEE 54, 221; Barnes et al. 1971, IEEE Trans.
///     Instrum. Meas. IM-20, 105, for the power-law noises; the gain
///     fluctuations of a total-power receiver, ΔT/T = √(1/(Bτ) + (ΔG/G)²),
///     as in Rohlfs & Wilson, Tools of Radio Astronomy): the
///     differences of blocks within each run, up to a third of the run
///     apart (the Allan variance at τ₀ and its multiples), less their
///     radiometer σ, pooled over the runs, give D̂² (never below 0), and
///     the Allan deviation is carried to the interval between the runs by
///     the random walk's √τ law. White noise is then the radiometer's (or
///     the scatter's when no radiometer σ is known) plus the drift.
///     A drift slower than a random walk (flicker) is over-estimated this
///     way, never under-estimated; so is white noise beyond the
///     radiometer's, and without any drift the noise of D̂² carried over a
///     long gap lifts σ above the radiometer's (about 4 times for 10 + 10
///     blocks 20 s apart). On a walk of 0.02-0.05 dB/√s the Y lies within
///     2σ of the true one in 93-95 % of simulated runs, the mean σ within
///     10 % of the real spread.
///
/// The reference run is taken off the source (cold sky), the on run on it;
/// the off-on-off sequence takes a reference before and after the on run
/// and takes the drift out linearly: the reference at the on run's middle
/// is interpolated in time between the two references' middles, and the
/// random walk that remains is what the drift estimate counts (the
/// combination's variance −Σₖ<ₗ cₖcₗ·γₖₗ from the variogram γ of the runs'
/// means).
///
/// Levels are the linear mean of the blocks' powers, in dB (never a mean of
/// dB); Y and its σ are in dB, σ of a few tenths of a dB and less being
/// small enough for the dB scale to be linear.
struct YEstimate {
    double YDb = 0;     ///< on − reference, dB; NaN when a run is empty
    double SigmaDb = 0; ///< one-sigma uncertainty, dB: the largest of the three below
    /// How σ was had: "radiometer", "scatter of 12 blocks", "gain drift over
    /// 35 s"; with "off-on-off, " before it for an off-on-off sequence.
    std::string Method;
    double RadiometerSigmaDb = 0; ///< estimate 1, dB; NaN when a block's σ is unknown
    double ScatterSigmaDb = 0;    ///< estimate 2, dB; NaN when a run has one block
    double DriftSigmaDb = 0;      ///< estimate 3, dB; NaN with fewer than two block steps
    double DriftDbPerRootS = 0;   ///< D̂, the random walk's coefficient, dB/√s; NaN as above
    int Blocks = 0;               ///< blocks used, of every run
    DateTime FirstUtc = 0;        ///< UTC start of the first block used
    DateTime LastUtc = 0;         ///< UTC end of the last block used
    /// Why the Y is not fit for G/T, a sentence saying what to do (a clipped
    /// block, an S-meter's whole dB, a Y at or below 0 dB, an empty run);
    /// empty when it is fit.
    std::string Problem;
};

/// Y of the blocks `on` (on the source) against `reference` (off it), each
/// in time order, of one input with the same settings.
YEstimate OnOffY(std::span<const PowerBlock> reference, std::span<const PowerBlock> on);

/// Y of an off-on-off sequence: `before` off the source, `on` on it,
/// `after` off it again, each in time order; the reference is the two off
/// levels interpolated linearly to the middle of the on run.
YEstimate OffOnOffY(std::span<const PowerBlock> before, std::span<const PowerBlock> on,
                    std::span<const PowerBlock> after);

} // namespace vantrel
