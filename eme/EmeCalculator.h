#pragma once

#include "apparent/ApparentPlaces.h"
#include "apparent/ObservingConditions.h"
#include "eme/MoonSight.h"
#include "sunmoon/SlowEphemeris.h"
#include "sunmoon/TopocentricPlace.h"

#include <optional>

namespace vantrel::eme {

/// What an EME operator looks up for one instant: the Moon from the home
/// station and, optionally, from a DX station, and what the path via the
/// Moon does to a signal.
struct EmeMoment {
    static constexpr double kNaN = MoonSight::kNaN;

    UtcSeconds Utc = 0;
    MoonSight Home;
    MoonSight Dx;       ///< not Valid without a DX station
    bool HasDx = false; ///< a DX station was given

    double EchoDelayS = kNaN;       ///< own echo, 2d/c, seconds
    double EchoDopplerHz = kNaN;    ///< own echo, −2f·ḋ/c, Hz
    double PathLossDb = kNaN;       ///< two-way, dB (eme/EchoPath.h)
    double PathLossChangeDb = kNaN; ///< against 356 500 km, dB
    double SemiDiameterDeg = kNaN;  ///< seen from home, degrees
    double DeclinationDeg = kNaN;   ///< topocentric from home, degrees
    /// The DX station's signal heard at home, −f·(ḋ_home + ḋ_dx)/c, Hz; NaN
    /// without a DX station.
    double DxDopplerHz = kNaN;
    /// Spatial polarisation offset, home − DX parallactic angle in −90..90,
    /// degrees; NaN without a DX station.
    double PolarisationOffsetDeg = kNaN;
    /// Home's values are valid (and the DX station's, when there is one).
    bool Valid = false;
};

/// Computes EmeMoments for a home station and an optional DX station at any
/// instants, with the Sun and Moon core the grids' library is built from
/// (the same Chebyshev-fitted slow quantities, observer and apparent place:
/// azimuth, elevation, hour angle and declination are the library's, bit for
/// bit, when UT1 = UTC) and the grids' refraction.
///
/// UT1 enters the Earth rotation angle only (TT follows UTC), as the IERS
/// value UT1 − UTC that `ut1` gives for the instant.
///
/// One instance per thread; cheap per instant (about a microsecond for both
/// stations, no allocation) once its four-day interpolation window is fitted
/// (about 1.4 ms).
class EmeCalculator {
public:
    /// `conditions`: the observing frequency (MHz) and, with Refraction on,
    /// the air at both stations; Apparent does not concern the Moon.
    EmeCalculator(const EmeSite& home, const std::optional<EmeSite>& dx,
                  const ObservingConditions& conditions, Ut1MinusUtc ut1 = {});

    /// Everything at `utc`.
    EmeMoment At(UtcSeconds utc);

    /// The Moon from home (and the DX station; not Valid without one) at
    /// `utc`: what the search for common windows needs.
    struct Sights {
        MoonSight Home;
        MoonSight Dx;
    };
    Sights SightsAt(UtcSeconds utc);

    bool HasDx() const { return dx_.has_value(); }
    const ObservingConditions& Conditions() const { return conditions_; }

private:
    struct Site {
        EmeSite Where;
        std::optional<sunmoon::Station> Station;
        ApparentPlaces Refraction; ///< the grids' refraction of the Sun and the Moon
    };

    /// Time scales and slow quantities of `utc`; false outside 1900..2100.
    bool PrepareInstant(UtcSeconds utc);
    MoonSight SightFrom(Site& site);

    Site home_;
    std::optional<Site> dx_;
    ObservingConditions conditions_;
    ObservingConditions refractionOnly_; ///< `conditions_` with Apparent off
    Ut1MinusUtc ut1_;

    sunmoon::SlowEphemeris ephemeris_;
    bool haveInstant_ = false;
    bool instantValid_ = false;
    UtcSeconds instant_ = 0;
    DecodedInstant decoded_;
    sunmoon::TimeScales time_;
    sunmoon::SlowQuantities slow_;
};

} // namespace vantrel::eme
