#pragma once

namespace vantrel::atmosphere {

/// The attenuation of a radio wave by the oxygen and the water vapour of
/// clear air, after the approximate method of ITU-R Recommendation
/// P.676-10 (09/2013), Annex 2, valid from 1 to 350 GHz for a station up
/// to a few kilometres above the sea. Its numbers agree with the
/// line-by-line method of Annex 1 to some per cent away from the centres
/// of the absorption lines (the 60 GHz oxygen complex, 22.235 and 183.31
/// GHz of water vapour).
///
/// Equation numbers are those of P.676-10 Annex 2. Later editions (P.676-11
/// on) replaced the specific attenuations of this Annex by those of Annex 1;
/// the closed forms kept here suffice for the measuring bands and cost no
/// line list.

/// The surface air the method takes.
struct SurfaceAir {
    double PressureHpa = 1013.25;   ///< total pressure p, hPa, > 0
    double TemperatureC = 15.0;     ///< temperature t, °C
    double WaterVapourGPerM3 = 7.5; ///< water vapour density ρ, g/m³, ≥ 0
};

/// Specific attenuations at the surface, dB/km.
struct SpecificAttenuation {
    double OxygenDbPerKm = 0;      ///< γo, dry air
    double WaterVapourDbPerKm = 0; ///< γw
};

/// γo of equations (22a) to (22f) and γw of (23a) to (23d), with
/// rp = p/1013 and rt = 288/(273 + t).
///
/// Given:
///   frequencyGHz  f, GHz, 1..350 (outside: NaN)
///   air           the surface air
/// Returned:
///   γo and γw, dB/km (0.0082 and 0.0060 dB/km at 10 GHz in the
///   Recommendation's reference air 1013.25 hPa, 15 °C, 7.5 g/m³).
SpecificAttenuation SpecificAttenuationOf(double frequencyGHz, const SurfaceAir& air);

/// Equivalent heights of the two absorbers, km.
struct EquivalentHeights {
    double OxygenKm = 0;      ///< ho, equation (25), at most 10.7 rp^0.3 below 70 GHz
    double WaterVapourKm = 0; ///< hw, equation (26)
};

/// ho and hw at `frequencyGHz` (GHz, 1..350) for the total pressure
/// `pressureHpa` (hPa, > 0); NaN outside.
EquivalentHeights EquivalentHeightsOf(double frequencyGHz, double pressureHpa);

/// The attenuation through the whole atmosphere along a path, dB.
///
/// Given:
///   gamma        the surface's specific attenuations
///   heights      the equivalent heights at the same frequency
///   elevationDeg the path's elevation φ, degrees, 0..90 (below 0 taken as
///                0: the path along the horizon)
/// Returned:
///   zenith A = γo ho + γw hw (27); from 5° to 90° A/sin φ (28); from 0°
///   to 5° the Recommendation's curved-Earth form (29):
///     A = √Re / cos φ · [γo √ho F(tan φ √(Re/ho)) + γw √hw F(tan φ √(Re/hw))]
///     F(x) = 1 / (0.661 x + 0.339 √(x² + 5.51))
///   with the effective Earth radius Re = 8500 km (ITU-R P.834). The two
///   forms differ by about 5 % at 5°, as the Recommendation has them.
double SlantAttenuationDb(const SpecificAttenuation& gamma, const EquivalentHeights& heights,
                          double elevationDeg);

/// The elevation above which the cosecant law (28) holds, degrees.
inline constexpr double kCosecantFromDeg = 5.0;
/// The effective Earth radius of the low-elevation form (29), km (ITU-R
/// P.834, "8 500 km is generally acceptable near the surface").
inline constexpr double kEffectiveEarthRadiusKm = 8500.0;
/// The frequencies the method holds for, GHz.
inline constexpr double kGaseousLowestGHz = 1.0;
inline constexpr double kGaseousHighestGHz = 350.0;

} // namespace vantrel::atmosphere
