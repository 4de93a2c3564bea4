#pragma once

#include "apparent/ObservingConditions.h"
#include "apparent/RadioRefraction.h"
#include "apparent/SlowQuantityWindows.h"
#include "astro/DateTime.h"
#include "astro/SourcePosition.h"
#include "sunmoon/TopocentricPlace.h"

#include <erfa.h>

#include <cstdint>

namespace vantrel {

/// A fixed source as the catalogue gives it, prepared once for many
/// instants: ICRS (J2000) right ascension and declination, radians
/// (extended precision, as the grids hold them), and the sine and cosine of
/// the declination for the classic path.
struct CatalogueSource {
    long double RaRad = 0;  ///< right ascension, radians 0..2π
    long double DecRad = 0; ///< declination, radians −π/2..π/2
    SineCosine Dec;
    static CatalogueSource Of(long double raRad, long double decRad) {
        return {raRad, decRad, SineCosine::Of(decRad)};
    }
};

/// The station as the home station record holds it.
struct StationCoordinates {
    long double LatitudeDeg = 0;  ///< geodetic latitude, degrees, north positive
    long double LongitudeDeg = 0; ///< degrees, east positive
    double HeightM = 0;           ///< metres (taken above the WGS84 ellipsoid)
};

/// Where a fixed source stands as the grids show it; radians.
struct ShownPlace {
    long double Azimuth = 0;            ///< from north through east, 0 < A <= 2π
    long double Elevation = 0;          ///< −π/2..π/2; refracted with Refraction on
    long double GreenwichHourAngle = 0; ///< 0 <= H < 2π
    long double Declination = 0;        ///< −π/2..π/2
};

/// A place of the Sun or the Moon in the units of the sun/moon library:
/// degrees, azimuth and GHA 0..360.
struct LibraryPlaceDeg {
    double AzimuthDeg = 0;
    double ElevationDeg = 0;
    double GhaDeg = 0;
    double DecDeg = 0;
};

/// A place of the Sun or the Moon from the library, computed with UT1 = UTC,
/// turned to the Earth's rotation at UT1 = UTC + `ut1MinusUtcSeconds`: the
/// GHA grows by the rotation angle of that time (ERA rate, IERS Conventions
/// 2010 eq. 5.15), the declination is kept (its change through the Moon's
/// parallax and the diurnal aberration is under 0.3″), and azimuth and
/// elevation follow for the geodetic latitude `latitudeRad` and the
/// longitude `longitudeRad` (east positive) of the station.
LibraryPlaceDeg TurnedToUt1(const LibraryPlaceDeg& place, double ut1MinusUtcSeconds,
                            double latitudeRad, double longitudeRad);

/// Outcome of ApparentPlaces::Prepare.
enum class PrepareStatus {
    Ok,
    BadInstant,   ///< not a UTC instant of 1900..2100 (apparent places only)
    BadStation,   ///< latitude beyond ±90°, longitude beyond ±360°, height outside
                  ///< −11 000..100 000 m, or not finite (options on only)
    BadConditions ///< a refused pressure, temperature, humidity or frequency
};

/// Positions "as the sky shows them": for one station and one instant at a
/// time, the places of the fixed sources and the refracted places of the
/// Sun and the Moon, under the options of ObservingConditions.
///
/// With both options off a place is exactly today's SourcePosition (the
/// classic sidereal time, catalogue coordinates as stored, the stored
/// declination in Polar mode), bit for bit.
///
/// With "apparent places" on, a catalogue place is taken as ICRS (J2000) and
/// carried to its topocentric apparent place of date: light deflection by
/// the Sun, annual and diurnal aberration, precession-nutation IAU
/// 2006/2000A, Earth rotation with UT1 − UTC from the conditions' IERS
/// series (UT1 = UTC without one or outside it) and no polar motion, the
/// station on the WGS84 ellipsoid; TT = UTC + (TAI − UTC) + 32.184 s (eraDat)
/// and TDB taken as TT (under 2 ms apart). These are the conventions of the
/// Sun and Moon library, whose Chebyshev fits of the slow quantities (the
/// Earth's heliocentric position, its barycentric velocity, the
/// precession-nutation matrix and the equation of the origins) this class
/// evaluates in its own SlowQuantityWindows. From them it builds ERFA's astrometry
/// context with eraApco once per instant; each source then costs one
/// eraAtciqz (ICRS to CIRS) and one eraAtioq (CIRS to observed). Polar mode
/// shows the Greenwich hour angle, GAST − apparent RA (equal to ERA − CIO
/// based RA), and the declination of date.
///
/// With "radio refraction" on, every elevation is the observed one, with the
/// ray-traced radio refraction of RadioRefraction for the air of the
/// conditions and the station's height (a table built when either changes),
/// applied in the vertical plane as eraAtioq applies its model; hour angle
/// and declination are then the observed ones too. Without apparent places
/// the refraction is applied to today's geometric azimuth and elevation.
///
/// References: ERFA/SOFA documentation of eraApco, eraAtciqz, eraAtioq and
/// eraRefco; Explanatory Supplement to the Astronomical Almanac (3rd ed.,
/// 2013), chapters 6 and 7; IERS Conventions 2010.
///
/// One instance keeps one interpolation window (a new one about every four
/// days of TT, about 1 ms to fit, spread over the instants of the last 72
/// minutes before it when they come one after another; see
/// SlowQuantityWindows) and the context of the last instant, for one thread.
class ApparentPlaces {
public:
    /// Prepares the instant `utc` (milliseconds dropped, as the Sun and Moon
    /// library), the station and the conditions for the following calls.
    /// Cheap when only the instant changes. On failure every place is NaN
    /// until the next successful call. Both options off accept every
    /// instant and station, as today's computation does.
    PrepareStatus Prepare(const DecodedInstant& utc, const StationCoordinates& station,
                          const ObservingConditions& conditions);

    /// The place of a fixed source at the prepared instant. A source is
    /// below the horizon by this (with Refraction on, refracted) elevation:
    /// BelowHorizon(place.Elevation), as today.
    ShownPlace Place(const CatalogueSource& source) const;

    /// The Sun or the Moon as the grids show it: the sun/moon library's
    /// airless place at the prepared instant and station (computed with
    /// UT1 = UTC), with apparent places on turned by the Earth's rotation in
    /// UT1 − UTC when the conditions' IERS series gives it (GHA, azimuth and
    /// elevation; the declination kept: its change through the Moon's
    /// parallax and the diurnal aberration is under 0.3″), and refracted when Refraction is on
    /// (elevation, GHA and declination observed; azimuth unchanged); with both off returned as
    /// given. The library's own results are not changed. The Sun or the Moon is below the horizon
    /// when the returned elevation is below 0.
    LibraryPlaceDeg SunMoon(const LibraryPlaceDeg& airless) const;

    /// Interpolation windows fitted so far: at once when first needed, and
    /// ahead, spread over the instants before them (for tests and benchmarks).
    std::int64_t WindowsFittedAtOnce() const { return ephemeris_.FittedAtOnce(); }
    std::int64_t WindowsFittedAhead() const { return ephemeris_.FittedAhead(); }

    /// The ERFA astrometry context of the prepared instant (apparent places
    /// only), for tests.
    const eraASTROM& Context() const { return astrom_; }

    /// UT1 − UTC in seconds at the prepared instant: 0 without apparent
    /// places, without a series or outside it.
    double Ut1MinusUtcSeconds() const { return ut1MinusUtcSeconds_; }

    /// The refraction table in use with Refraction on (for tests).
    const RadioRefraction& Refraction() const { return refraction_; }

private:
    bool PrepareStation(const StationCoordinates& station, bool needGeodetic);
    bool PrepareInstant(const DecodedInstant& utc, const EarthOrientation* ut1);

    SlowQuantityWindows ephemeris_;
    ObservingConditions conditions_;
    bool haveRefraction_ = false; ///< refractionKey_ was accepted
    ObservingConditions refractionKey_;
    RadioRefraction refraction_; ///< the table of the accepted air and the station height
    bool ready_ = false;

    // The station: classic path in extended precision, the rest in double.
    bool haveStation_ = false;
    StationCoordinates stationKey_;
    SineCosine latClassic_;
    long double lonRadClassic_ = 0;
    bool haveGeodetic_ = false;
    double latRad_ = 0;
    double lonRad_ = 0;
    double heightM_ = 0;
    double sinLat_ = 0;
    double cosLat_ = 1;

    // The instant.
    long double gstHours_ = 0;
    bool haveInstant_ = false;
    DecodedInstant instantKey_;
    const EarthOrientation* instantUt1_ = nullptr; ///< the series instantKey_ was prepared with
    double ut1MinusUtcSeconds_ = 0; ///< at the prepared instant, apparent places only
    double ttDaysSinceJ2000_ = 0;
    double earthRotationAngleRad_ = 0;
    sunmoon::SlowQuantities slow_;
    // ERFA's routines take the context by a non-const pointer and only read it.
    mutable eraASTROM astrom_{};
};

} // namespace vantrel
