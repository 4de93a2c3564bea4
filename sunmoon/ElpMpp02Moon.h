#pragma once

#include "sunmoon/ElpSeries.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace vantrel::sunmoon {

/// The Moon's geocentric position, kilometres, and velocity, kilometres per
/// day, in one frame.
struct MoonState {
    double PositionKm[3] = {};
    double VelocityKmPerDay[3] = {};
};

/// The geocentric Moon of the lunar theory ELP/MPP02 with the constants
/// fitted to JPL's DE405 (J. Chapront and G. Francou, A&A 404, 735-742,
/// 2003; the computation as Y. T. Liu sets it out in "ELP/MPP02 Lunar
/// Ephemeris", 2018, last modified 2024, whose equations are cited below as
/// (n)).
///
///  1. The fitted corrections ΔW, ΔΓ, ΔE, ΔT, Δϖ', Δe' of the DE405 column
///     and the derived δW2⁽¹⁾, δW3⁽¹⁾ and factors fA, fB1..fB5 (section
///     1.1); the main problem's amplitudes Ã = A + Σ fBj·Bj for longitude
///     and latitude, fA·A + Σ fBj·Bj for distance (2).
///  2. The mean longitudes W1, W2, W3 of the Moon, its perigee and node, Ea
///     and ϖ' of the Earth-Moon barycentre (5)-(9), the Delaunay arguments
///     D, F, l, l' (10)-(13), the planetary longitudes and ζ (14)-(22), all
///     polynomials in T, Julian centuries of TDB from J2000.0.
///  3. Longitude V, latitude U and distance r on the mean ecliptic and
///     equinox of date (23)-(25), with their rates from the same terms.
///  4. Laskar's P, Q (27), (28): the rotation (26) to the inertial mean
///     ecliptic and equinox of J2000 (ELP's frame); then to the GCRS (ICRS
///     axes) by the IAU 2006 ecliptic of J2000 with the frame bias (ERFA
///     eraEcm06 at J2000.0, obliquity 84 381.406″).
///
/// The theory's own precision against DE405 over 1950-2060 is a few metres
/// and a few milliarcseconds; against the Swiss Ephemeris (DE431) the
/// compiled-in truncated series is within the figures of the tests
/// (SwissEphemerisMoonTest). An evaluation takes the sine and cosine of the
/// 13 arguments and builds every term's from their multiples by complex
/// products, without a trigonometric call per term.
class ElpMpp02Moon {
public:
    /// Prepares the series: the fitted amplitudes and, for each term, its
    /// phase as a polynomial in T.
    explicit ElpMpp02Moon(const ElpSeriesSet& series);

    /// The theory with the compiled-in series (CompiledElpSeries), prepared
    /// once on first use (thread-safe).
    static const ElpMpp02Moon& Compiled();

    /// Position and velocity at TDB = J2000.0 + `tdbDaysSinceJ2000` days on
    /// the inertial mean ecliptic and equinox of J2000 (26). The theory is
    /// meant for some millennia around J2000; the program asks within
    /// 1900-2100.
    MoonState EclipticJ2000(double tdbDaysSinceJ2000) const;

    /// The same in the GCRS (ICRS axes, equator and origin of the ICRS).
    MoonState Gcrs(double tdbDaysSinceJ2000) const;

    /// Terms summed per evaluation.
    std::size_t TermCount() const;

private:
    /// Number of arguments D, F, l, l', Me, Ve, EM, Ma, Ju, Sa, Ur, Ne, ζ.
    static constexpr int kArguments = 13;
    /// Largest multiplier of an argument in the series (75 in the files).
    static constexpr int kLargestMultiple = 127;

    /// One term: Amplitude · sin(φ0 + Σ multiple·argument) over its factors.
    struct Term {
        double Amplitude;
        double CosPhase0; ///< cos φ0, sin φ0
        double SinPhase0;
        std::uint32_t FirstFactor; ///< into factors_
        std::uint32_t FactorCount;
    };
    /// One argument of a term with a multiplier other than 0.
    struct Factor {
        std::uint8_t Argument;
        std::int8_t Multiple;
    };
    /// The arguments at one instant: cos and sin of every multiple up to the
    /// largest used, and the arguments' rates, radians per century.
    struct Arguments;

    void Add(int coordinate, int power, double amplitude, double phase0,
             const std::int8_t* multipliers, int count);
    /// Σ over one series and its derivative with respect to T.
    void Sum(const std::vector<Term>& terms, const Arguments& at, double& value,
             double& rate) const;

    std::vector<Term> series_[kElpCoordinates][kElpPowers];
    std::vector<Factor> factors_;
    int largestMultiple_[kArguments] = {};
    double arguments_[kArguments][5] = {}; ///< radians per centuryᵏ, T⁰..T⁴
    double meanLongitude_[5] = {};         ///< W1, radians per centuryᵏ
};

} // namespace vantrel::sunmoon
