#pragma once

#include "measure/FluxEstimate.h"

#include <optional>
#include <string_view>

namespace vantrel::measure {

/// The fixed noise sources the program knows by name. Only the first four
/// have a flux model; the others exist so that asking for them gives an
/// explicit "no model" rather than a number.
enum class RadioStar {
    CassiopeiaA,
    CygnusA,
    TaurusA,
    VirgoA,
    Aquarius,
    Leo,
    CentaurusA,
    SagittariusA,
    UserSource,
};

/// The name the grids title the source with ("Cassiopeia-A", ...).
std::string_view RadioStarName(RadioStar star);

/// The source titled `name` in the grids, compared without regard to case;
/// nothing for any other name.
std::optional<RadioStar> RadioStarFromName(std::string_view name);

/// Flux density of a radio star.
///
/// Given:
///   star          the source
///   frequencyMHz  observing frequency, MHz, > 0
///   year          the instant as a decimal year (2026.5 = 2 July 2026), used
///                 for the secular decline of Cassiopeia A only
/// Returned:
///   the flux density, Jy, marked `Extrapolated` outside the frequency range
///   of the fit, or `NoModel` for a source without a fit (and for a
///   frequency that is not a positive finite number).
///
/// Notes:
/// 1. log10 S[Jy] = a + b x + c x^2, x = log10 f[MHz], with the
///    coefficients of Baars, Genzel, Pauliny-Toth & Witzel (1977), A&A 61,
///    99, Table 5: Cas A 300 MHz-31 GHz; Cyg A 20 MHz-2 GHz and 2-31 GHz;
///    Tau A 1-35 GHz; Vir A 400 MHz-25 GHz.
/// 2. Cassiopeia A fades by d = 0.97 - 0.30 log10 f[GHz] per cent a year
///    (Baars et al. 1977); S(t) = S(epoch) (1 - d/100)^(t - epoch),
///    with the epoch of the fit, `kCasAEpochYear`. Tau A's slower fading
///    (about 0.2 %/yr) is not modelled.
FluxEstimate RadioStarFlux(RadioStar star, double frequencyMHz, double year);

/// The epoch of Baars et al.'s (1977) Cassiopeia A spectrum, decimal year.
/// Their Table 5 gives the Cas A fit for epoch 1965.0; the paper brings
/// measurements of other years to it with the secular decline. (A fit read
/// as epoch 1980.0 would give about 15 % more in 2026 at 1.4 GHz.)
inline constexpr double kCasAEpochYear = 1965.0;

/// Cassiopeia A's secular decline at `frequencyMHz`, per cent a year
/// (Baars et al. 1977): 0.97 - 0.30 log10 f[GHz].
double CasADeclinePercentPerYear(double frequencyMHz);

/// Angular diameter of a radio star, degrees, for the beam correction;
/// nothing for a source without a known size.
///
/// Cas A 4' (shell), Cyg A 2' (the two lobes), Tau A 5.9' (the 5' x 7'
/// nebula as its geometric mean), Vir A 7' (the halo): the sizes ITU-R
/// S.733 and Baars et al. (1977) use for these sources.
std::optional<double> RadioStarDiameterDeg(RadioStar star);

} // namespace vantrel::measure
