#pragma once

#include <vector>

namespace vantrel {

/// Radio refractivity N = (n − 1)·10⁶ of moist air at the station, after
/// ITU-R P.453: N = 77.6/T·(P + 4810·e/T), T = t + 273.15 K, with the water
/// vapour pressure e = RH/100 · EF · 6.1121 · exp((18.678 − t/234.5)·t/(t + 257.14)) hPa
/// and the enhancement factor EF = 1 + 10⁻⁴·(7.2 + P·(0.0320 + 5.9·10⁻⁶·t²)).
///
/// Given: pressure P in hPa (0..1200), temperature t in °C (−80..60),
/// relative humidity RH in percent (0..100).
/// Returned: N, dimensionless (about 306 for 1013 hPa, 10 °C, 50 %); 0
/// for P = 0. The vapour pressure is not taken above P, which it cannot
/// exceed.
/// Reference: ITU-R Recommendation P.453-14 (2019), equations 1, 4, 6, 7 and 9
/// (water over ice is not distinguished: the formula over water is used).
double SurfaceRefractivity(double pressureHpa, double temperatureC, double relativeHumidityPercent);

/// Radio refraction through a spherically stratified atmosphere, from
/// 2.5° below the horizon to the zenith, as a table built once for one
/// surface refractivity and station height.
///
/// The atmosphere: refractivity N(h) = N₀·exp(−(h − h₀)/H) at height h above
/// a sphere of radius 6371 km, above and below the station's height h₀, with
/// the scale height H = 7.35 km of the ITU-R P.453 reference atmosphere.
/// A ray leaving the station at the apparent elevation e₀ keeps Bouguer's
/// invariant n·r·cos e = k and is bent in all by
///     τ(e₀) = ∫ −(dn/dr)/n · cot e dr
/// from the station (or, below the horizon, from the lowest point of the
/// ray, counting the part below the station twice) to the top of the
/// atmosphere. The source of an airless elevation E = e₀ − τ(e₀) is seen at
/// e₀: the refraction is τ, independent of the frequency (the troposphere
/// above about 1 GHz; the ionosphere is not modelled).
///
/// Notes:
///  1. The integral is taken in q = √(n·r − k), in which it has no
///     singularity at the ray's lowest point (its integrand is
///     −(dn/dr)/n · 2k / (√(n·r + k) · d(n·r)/dr)), by 32-point
///     Gauss-Legendre quadrature up to 30 scale heights above the start, to
///     about 10⁻⁸ of τ.
///  2. τ is computed at apparent elevations every 0.1° up to 10°, 0.5° to
///     30° and 2° to 90°, then the refraction is resampled every 0.05° of
///     airless elevation, where a four-point interpolation reproduces it to
///     better than 0.01″ at any elevation.
///  3. Rays are traced from the station's lowest real ray: the one that
///     grazes the ground, the sphere at height 0 (a station at or below it:
///     the horizontal ray; one 1000 m up: about −0.9°), at most 2.5° down;
///     or from the lowest ray that leaves the atmosphere, if higher: below
///     the station the refractivity grows until d(n·r)/dr = 0 (N about
///     1150), and a ray whose lowest point would lie there is caught. A
///     source below the airless elevation of that ray (the radio horizon:
///     about −0.58° at sea level with N₀ = 306) is reached by no ray from
///     the station: it gets no refraction (its airless elevation is shown;
///     BelowRadioHorizon says so), never an elevation above the lowest ray.
///  4. The terrain above the sphere is not modelled: whether hills are in
///     the way is the horizon profile's business.
/// References: ITU-R P.453-14 (refractivity, reference atmosphere);
/// ITU-R P.834-9, section 1 (the bending integral and its standard-atmosphere
/// approximation); Thayer, Radio Science 2 (1967) 249 (radio refraction
/// by ray tracing in a spherically stratified atmosphere).
class RadioRefraction {
public:
    /// No refraction: every refraction is 0.
    RadioRefraction() = default;

    /// The table for surface refractivity `surfaceN` (0..2000; 0 gives no
    /// refraction) at a station `stationHeightM` metres above the sphere
    /// (−11 000..100 000). About a millisecond.
    RadioRefraction(double surfaceN, double stationHeightM);

    /// Apparent minus airless elevation, radians, for a source at airless
    /// elevation `airlessElevationRad` (−π/2..π/2); 0 at the zenith, about
    /// 0.01 rad (0.57°) at the airless horizon with N₀ = 306.
    double AtAirless(double airlessElevationRad) const;

    /// The bending τ of the ray leaving at apparent elevation
    /// `apparentElevationRad` (−2.5°..90°, in radians), by the quadrature of
    /// note 1 (for the table and for tests); NaN for a ray that does not
    /// leave the atmosphere.
    double Bending(double apparentElevationRad) const;

    /// The lowest apparent and airless elevations the table covers, radians:
    /// the lowest ray and the radio horizon.
    double LowestApparentRad() const { return lowestApparentRad_; }
    double LowestAirlessRad() const { return firstAirlessRad_; }

    /// True when no ray from the station reaches a source at airless
    /// elevation `airlessElevationRad`: it is below the radio horizon
    /// (AtAirless gives 0 there). False without refraction.
    bool BelowRadioHorizon(double airlessElevationRad) const {
        return !values_.empty() && airlessElevationRad < firstAirlessRad_;
    }

    /// The apparent elevation of the station's lowest real ray (note 3),
    /// radians, ≤ 0: the ray that grazes the sphere at height 0 from
    /// `stationHeightM` (0 for a station at or below it), at most 2.5° down.
    static double LowestRealRay(double surfaceN, double stationHeightM);

    double SurfaceN() const { return surfaceN_; }
    double StationHeightM() const { return stationHeightM_; }

private:
    /// ∫ of the integrand of note 1 from q = qFrom to the top of the
    /// atmosphere (qTo < 0) or to qTo, for the invariant `k` (metres), the
    /// ray's start at `hStartM` (q = qFrom there).
    double Integral(double k, double hStartM, double qFrom, double qTo) const;
    /// The height at which n·r = target, Newton's method from `guessM`.
    double HeightWhere(double target, double guessM) const;

    double surfaceN_ = 0;
    double stationHeightM_ = 0;
    double lowestApparentRad_ = 0;
    double lowestRealRayRad_ = 0;
    double firstAirlessRad_ = 0; ///< airless elevation of the first resampled value
    std::vector<double> values_; ///< refraction every kResampleStep of airless elevation
};

} // namespace vantrel
