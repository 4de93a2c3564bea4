#pragma once

#include <cstdint>
#include <span>

namespace vantrel::sunmoon {

/// The series of the lunar theory ELP/MPP02 (J. Chapront and G. Francou,
/// "The lunar theory ELP revisited. Introduction of new planetary
/// perturbations", A&A 404, 735-742, 2003), in the layout of the data files
/// shipped in data/elpmpp02/ (Y. T. Liu's rearrangement of the authors'
/// files, GPL-3).

/// One term of the main problem: a sine (longitude, latitude) or cosine
/// (distance) of D·i[0] + F·i[1] + l·i[2] + l'·i[3] (the Delaunay
/// arguments). `A` is the amplitude (radians for longitude and latitude,
/// kilometres for distance) before the fitted constants are applied; `B` its
/// derivatives with respect to the five adjusted quantities (m, Γ, E, e',
/// α: dimensionless for longitude and latitude per radian of the quantity,
/// kilometres for distance), which give the amplitude fitted to DE405.
struct ElpMainTerm {
    std::int8_t Multipliers[4];
    double A;
    double B[5];
};

/// One term of the perturbations: A · sin(φ0 + Σ i_k · argument_k) over the
/// 13 arguments D, F, l, l', Me, Ve, EM, Ma, Ju, Sa, Ur, Ne, ζ. `A` in
/// radians (longitude, latitude) or kilometres (distance), per Julian
/// century to the power of the series it belongs to; φ0 in radians.
struct ElpPerturbationTerm {
    std::int8_t Multipliers[13];
    double A;
    double Phase;
};

/// Highest power of T (Julian centuries of TDB from J2000.0) that multiplies
/// a perturbation series, plus one: longitude and distance have T⁰..T³,
/// latitude T⁰..T².
inline constexpr int kElpPowers = 4;

/// The three coordinates of the theory, in the order of its files.
enum class ElpCoordinate { Longitude = 0, Latitude = 1, Distance = 2 };
inline constexpr int kElpCoordinates = 3;

/// All series of the theory, as views on tables held elsewhere:
/// `Main[c]` the main problem of coordinate c, `Perturbation[c][n]` the
/// perturbations of coordinate c multiplied by Tⁿ (empty for latitude T³).
struct ElpSeriesSet {
    std::span<const ElpMainTerm> Main[kElpCoordinates];
    std::span<const ElpPerturbationTerm> Perturbation[kElpCoordinates][kElpPowers];
};

/// The terms kept in the program (the series compiled in at build time from
/// data/elpmpp02/): a term is dropped when its amplitude, taken at one
/// Julian century (|A|·1ⁿ, so 1900-2100 is covered), is below these. Of
/// the 35 901 terms 6 182 are kept; from 1960 to 2090 they differ from the
/// full series by under 0.07 km in distance, 0.04″ in direction and
/// 0.4 mm/s in velocity (measured by the tests).
inline constexpr double kElpAngleThresholdRad = 1e-9;   ///< 0.2 mas
inline constexpr double kElpDistanceThresholdKm = 1e-3; ///< 1 m

/// The series compiled into the program, truncated as above.
const ElpSeriesSet& CompiledElpSeries();

} // namespace vantrel::sunmoon
