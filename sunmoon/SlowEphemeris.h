#pragma once

#include "sunmoon/Chebyshev.h"

#include <array>
#include <cstddef>
#include <cstdint>

namespace vantrel::sunmoon {

/// The quantities of the reduction that depend on TT alone and vary slowly
/// over a day. Frames: GCRS/BCRS axes (ICRS-aligned) unless said otherwise.
struct SlowQuantities {
    /// Bias-precession-nutation matrix, GCRS to true equator and equinox of
    /// date (IAU 2006/2000A, ERFA eraPnm06a).
    double Npb[3][3] = {};
    /// Equation of the origins, radians: ERA − GAST (ERFA eraEors with eraS06).
    double EquationOfOriginsRad = 0;
    /// Heliocentric position (au) and velocity (au/day) of the Earth (eraEpv00).
    double EarthHelioPositionAu[3] = {};
    double EarthHelioVelocityAuPerDay[3] = {};
    /// Barycentric velocity of the Earth, au/day (eraEpv00).
    double EarthBaryVelocityAuPerDay[3] = {};
    /// Geocentric position (au) and velocity (au/day) of the Moon, GCRS
    /// (ELP/MPP02 fitted to DE405, ElpMpp02Moon).
    double MoonGeoPositionAu[3] = {};
    double MoonGeoVelocityAuPerDay[3] = {};
};

/// Number of doubles in SlowQuantities, and their packing into an array in
/// the order of the members.
inline constexpr std::size_t kSlowQuantityCount = 9 + 1 + 3 + 3 + 3 + 3 + 3;
std::array<double, kSlowQuantityCount> Pack(const SlowQuantities& q);
SlowQuantities Unpack(const std::array<double, kSlowQuantityCount>& values);

/// The slow quantities computed in full by ERFA at TT = J2000.0 +
/// `ttDaysSinceJ2000` days (TDB taken as TT: they differ by under 2 ms).
/// About 0.15 ms: eraNut00a, eraEpv00 and ELP/MPP02 are long series.
SlowQuantities DirectSlowQuantities(double ttDaysSinceJ2000);

/// Interpolation windows: TT is cut into windows of kWindowDays starting at
/// J2000.0, and in each window every slow quantity is a Chebyshev series
/// through kWindowNodes direct evaluations. The shortest periods that matter
/// are the Moon's (27.3 d month, 14.8 d variation, smaller terms down to a
/// few days); over four days the series of degree 11 follow the direct values
/// to a few microarcseconds (measured by the tests).
inline constexpr double kWindowDays = 4.0;
inline constexpr std::size_t kWindowNodes = 12;

/// The slow quantities at any TT from the window it falls in. The window is
/// chosen from TT alone, so the value at an instant does not depend on the
/// instants asked before; the last window is kept and a new one is fitted
/// when TT leaves it (kWindowNodes direct evaluations, about 1.4 ms).
class SlowEphemeris {
public:
    /// Interpolated quantities at TT = J2000.0 + `ttDaysSinceJ2000` days.
    SlowQuantities At(double ttDaysSinceJ2000);

    /// Index of the window holding a TT: floor(tt / kWindowDays).
    static std::int64_t WindowOf(double ttDaysSinceJ2000);

    /// Number of windows fitted so far (for tests and benchmarks).
    std::int64_t FittedWindows() const { return fitted_; }

private:
    void FitWindow(std::int64_t window);

    ChebyshevSet<kSlowQuantityCount, kWindowNodes> series_;
    std::int64_t window_ = 0;
    bool valid_ = false;
    std::int64_t fitted_ = 0;
};

} // namespace vantrel::sunmoon
