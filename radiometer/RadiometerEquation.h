#pragma once

namespace vantrel {

/// The best a total-power reading can be, from the radiometer equation
/// σ/P = 1/√(B·τ) (Kraus, Radio Astronomy, 2nd ed., §7-3; the ideal
/// total-power receiver): the one-sigma uncertainty of one block, in dB,
/// 10·log10(1 + 1/√(B·τ)).
///
/// `noiseBandwidthHz`: B, the noise bandwidth the power was measured over,
/// Hz. `integrationS`: τ, seconds of samples averaged. NaN when B·τ is not
/// positive and finite (B unknown). 2.5 kHz for 30 s gives 0.0158 dB.
double RadiometerSigmaDb(double noiseBandwidthHz, double integrationS);

/// The integration time, seconds, after which the radiometer equation gives
/// `sigmaDb` for noise bandwidth `noiseBandwidthHz` (Hz): the inverse of
/// RadiometerSigmaDb, τ = 1/(B·(10^(σ/10) − 1)²). NaN for a bandwidth or
/// σ that is not positive.
double IntegrationForSigma(double noiseBandwidthHz, double sigmaDb);

} // namespace vantrel
