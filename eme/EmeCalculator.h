#pragma once

#include "apparent/ApparentPlaces.h"
#include "apparent/ObservingConditions.h"
#include "eme/MoonSight.h"
#include "skymodel/SkyBrightness.h"
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

    /// Angle between the Sun and the Moon seen from home, degrees.
    double SunMoonDeg = kNaN;
    /// Rates of EchoDopplerHz and DxDopplerHz, Hz per minute: the
    /// difference of the shifts 30 s after and 30 s before, doubled (the
    /// shifts change smoothly over a minute: good to 0.01 Hz/min). NaN
    /// without a DX station for the DX signal.
    double EchoDopplerRateHzPerMin = kNaN;
    double DxDopplerRateHzPerMin = kNaN;
    /// Doppler spread of one's own echo from the Moon's apparent rotation,
    /// limb to limb, Hz (eme/MoonRotation.h), at home and at the DX station
    /// (its own echo; NaN without one).
    double EchoSpreadHz = kNaN;
    double DxSpreadHz = kNaN;
    /// The sky behind the Moon through each station's beam at the
    /// frequency, K (skymodel's BeamAverageK), and the degradation against
    /// the Moon at a close perigee on cold sky there, dB
    /// (eme/SkyDegradation.h); NaN without a sky map (SetSkyBehindMoon) or
    /// a DX station.
    double SkyHomeK = kNaN;
    double SkyDxK = kNaN;
    double DegradationDb = kNaN;
    double DxDegradationDb = kNaN;
    /// The Moon's own noise: its phase angle seen from home (degrees,
    /// measure::MoonPhaseDeg), its brightness temperature (K: the user's
    /// fixed value, else measure::MoonBrightnessK at the frequency and that
    /// phase) and the rise of antenna temperature it gives in each
    /// station's beam (K, eme/MoonNoise.h; NaN without a DX station for its
    /// own).
    double MoonPhaseDeg = kNaN;
    double MoonBrightnessK = kNaN;
    bool MoonBrightnessFixed = false; ///< the user's value, not the model's
    double MoonNoiseHomeK = kNaN;
    double MoonNoiseDxK = kNaN;
    /// Home's values are valid (and the DX station's, when there is one).
    bool Valid = false;
};

/// The fraction of a beamwidth the Moon may move before the sky behind it
/// is averaged again.
inline constexpr double kSkyReuseHpbw = 0.005;

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

    /// Reads the sky behind the Moon from `sky` (at the conditions'
    /// frequency; it must outlive this calculator, or be null for none)
    /// through beams of half-power width `homeHpbwDeg` and `dxHpbwDeg`
    /// (degrees), with the receiver temperature `receiverK` (K) in the
    /// degradation. A beam average (up to about 12 ms for a 50° beam) is
    /// taken again only once the Moon has moved kSkyReuseHpbw beamwidths
    /// from where it was last taken: within about 1 % of the average at
    /// the Moon's place.
    void SetSkyBehindMoon(const sky::SkyBrightness* sky, double homeHpbwDeg, double dxHpbwDeg,
                          double receiverK);

    /// The Moon's brightness temperature in the Moon's own noise: a fixed
    /// value (K, > 0) of the user's, or none for the model by frequency
    /// and phase.
    void SetMoonTemperature(std::optional<double> fixedK) { moonFixedK_ = fixedK; }

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

    const sky::SkyBrightness* sky_ = nullptr;
    double homeHpbwDeg_ = 0;
    double dxHpbwDeg_ = 0;
    double receiverK_ = 0;
    std::optional<double> moonFixedK_;

    /// The last beam average of a station and where it was taken.
    struct SkyTaken {
        bool Valid = false;
        sky::SkyDirection At;
        double HpbwDeg = 0;
        double K = MoonSight::kNaN;
    };
    double SkyBehind(const MoonSight& sight, double hpbwDeg, SkyTaken& taken) const;
    SkyTaken homeSky_;
    SkyTaken dxSky_;

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
