#pragma once

#include "atmosphere/ClearAir.h"

#include <limits>
#include <string>
#include <vector>

namespace vantrel::measure {

/// The uncertainty budget of one G/T measured on a celestial source: each
/// term's one-sigma contribution to G/T in dB, combined in quadrature
/// (the terms are taken as independent).
///
/// A relative uncertainty ε of a factor of G/T is 10/ln 10 · ε dB (first
/// order: 5 % is 0.217 dB).

/// Where the flux density of the source came from, and how well it is
/// known (one sigma, a fraction of the flux).
struct FluxUncertainty {
    double Fraction = 0;    ///< σ_S/S, ≥ 0
    std::string Provenance; ///< "typed", "Learmonth 2026-12-09, scatter of 3 stations", "model"
};

/// The typed solar flux: 5 % (the observatories' calibration and the
/// reading of a day's list). A file of the observatories' noon fluxes will
/// give its stations' scatter instead.
inline constexpr double kTypedSolarFluxFraction = 0.05;
/// The flux scale of the radio stars (Baars et al. 1977, A&A 61, 99: about
/// 5 % absolute) and the Moon's disk model (Krotikov and Troitsky's fit,
/// ±5 % in T0, measure/MoonBrightness.h).
inline constexpr double kModelFluxFraction = 0.05;
/// The zero level of the 408 MHz survey, K (Haslam et al. 1982: ±3 K).
inline constexpr double kSurveyZeroLevelK = 3.0;
/// The spectral index the zero level is scaled with (FIELD notes, the
/// synchrotron sky below a few GHz).
inline constexpr double kZeroLevelSpectralIndex = 2.6;
/// The frequency of the survey, MHz.
inline constexpr double kSurveyFrequencyMHz = 408.0;
/// The beam correction is known to this fraction of K − 1 (the source's
/// size and brightness profile against a Gaussian beam).
inline constexpr double kBeamCorrectionFraction = 0.10;
/// The pointing error assumed without a cross-scan, in half-power
/// beamwidths.
inline constexpr double kAssumedPointingHpbw = 0.1;
/// Below this frequency the atmosphere's absorption is left out, MHz.
inline constexpr double kAtmosphereFreeBelowMHz = atmosphere::kAtmosphereFreeBelowMHz;

/// What the budget is made of.
struct GOverTBudgetInput {
    /// σ of G/T from the measured Y's own σ, dB (MeasuredGOverTSigmaDb);
    /// NaN when the Y has none.
    double FromYSigmaDb = 0;
    std::string YMethod; ///< how the Y's σ was had ("typed", "off-on-off, ...")
    FluxUncertainty Flux;
    double FrequencyMHz = 0; ///< MHz, > 0
    /// The source's own excess temperature, K: (Y − 1)·Tsys less the
    /// background difference; the background's σ is taken against it.
    double SourceDeltaTK = 0;
    double BeamCorrection = 1; ///< K ≥ 1 of ITU-R S.733
    /// The pointing error, in half-power beamwidths: a cross-scan's
    /// offset, or kAssumedPointingHpbw.
    double PointingHpbw = kAssumedPointingHpbw;
    std::string PointingBasis = "assumed 0.1 HPBW";
    /// σ of the atmosphere's absorption, dB (`AtmosphereSigmaDb` below);
    /// NaN: work it out from the frequency (0 below
    /// kAtmosphereFreeBelowMHz, not estimated above).
    double AtmosphereSigmaDb = std::numeric_limits<double>::quiet_NaN();
    std::string AtmosphereBasis = "given"; ///< how that σ was had
};

/// σ of G/T from the clear air's model, dB: the fraction
/// `atmosphere::kAtmosphereModelFraction` (an assumption, 20 %) of the slant
/// attenuation A at the source (G/T goes as 10^(A/10), so σ = 0.2·A dB) and
/// of the difference of the air's emission between source and reference,
/// taken against the source's ΔT as the background is, in quadrature.
///
/// Given:
///   attenuationDb        A at the source's elevation, dB ≥ 0
///   emissionDifferenceK  T_atm,source − T_atm,reference, K (0 at the same elevation)
///   sourceDeltaTK        the source's own ΔT, K, > 0
/// Returned: dB; NaN when A is not a number.
double AtmosphereSigmaDb(double attenuationDb, double emissionDifferenceK, double sourceDeltaTK);

/// "20 % of 0.102 dB at the source (assumed)": the basis of that σ.
std::string AtmosphereBasisText(double attenuationDb, double emissionDifferenceK);

/// One line of the budget.
struct BudgetTerm {
    std::string Name;   ///< "Y", "flux", "background", "K", "atmosphere", "pointing"
    double SigmaDb = 0; ///< its σ of G/T, dB; NaN when not estimated
    std::string Basis;  ///< how it was had, for the window and the report
};

/// The budget: its terms in the order above and their quadrature sum.
struct GOverTBudget {
    std::vector<BudgetTerm> Terms;
    double TotalSigmaDb = 0; ///< √Σσ² of the estimated terms, dB
    /// False when a term could not be estimated (the Y without σ, the
    /// atmosphere above 1 GHz without a σ given from its model): the total
    /// then leaves it out.
    bool Complete = true;
};

/// The background's σ at `frequencyMHz`: the survey's zero level scaled
/// as the sky, kSurveyZeroLevelK · (f / 408 MHz)^−2.6, K.
double BackgroundSigmaK(double frequencyMHz);

/// The loss of a Gaussian beam pointed `offsetHpbw` half-power beamwidths
/// off the source, dB: 10 log10(exp(4 ln 2 · θ²)) (0.120 dB at 0.1 HPBW,
/// a loss of 2.8 % in power).
double PointingLossDb(double offsetHpbw);

/// The budget of one G/T:
///   Y           FromYSigmaDb
///   flux        10/ln 10 · σ_S/S
///   background  10/ln 10 · BackgroundSigmaK(f) / ΔT_source
///   K           10/ln 10 · kBeamCorrectionFraction·(K − 1)/K
///   atmosphere  AtmosphereSigmaDb with its basis, or 0 below 1 GHz
///   pointing    PointingLossDb(PointingHpbw)
GOverTBudget GOverTBudgetOf(const GOverTBudgetInput& input);

} // namespace vantrel::measure
