/*
 * Orbex_sunmoon: topocentric positions of the Moon and the Sun.
 *
 * A C interface of six functions. DataToDLL takes a UTC instant, a station
 * and a body and computes the body's place; the four angle readers return
 * the angles of that last call, in degrees, and GetDistance its distance
 * from the station, in kilometres, as often as they are called.
 *
 * What the angles are:
 *  - the topocentric apparent place of date: light time, aberration with the
 *    observer's full velocity (annual and diurnal), precession-nutation
 *    IAU 2006/2000A, Earth rotation with UT1 = UTC and no polar motion; the
 *    station on the WGS84 ellipsoid from geodetic latitude, longitude and
 *    height;
 *  - GetDecTopo: topocentric apparent declination, -90..90;
 *  - GetGHA: Greenwich hour angle of the topocentric place, Greenwich
 *    apparent sidereal time (IAU 2006/2000A) minus topocentric right
 *    ascension, 0 <= GHA < 360;
 *  - GetAzimuth: from north through east, 0 <= A < 360;
 *  - GetElevation: geometric (airless) elevation above the plane normal to
 *    the ellipsoid, -90..90, no refraction;
 *  - GetDistance: topocentric distance, kilometres: from the station at the
 *    instant of observation to the body's centre where it was when the light
 *    left it (light-time-corrected geometric distance; aberration, which
 *    turns the direction, does not change it).
 * Time scales: UT1 = UTC as the clock reads (23:59:60 has the UT1 of the
 * following 00:00:00); TT = UTC + (TAI - UTC) + 32.184 s with TAI - UTC from
 * ERFA's leap-second table eraDat (0 before 1960).
 * Ephemerides: ERFA (IAU SOFA) eraEpv00 for the Earth and eraMoon98 for the
 * Moon; what depends on TT alone is interpolated over four-day windows,
 * to a few microarcseconds.
 *
 * Bad input: the readers return NaN for a call with year outside 1900..2100,
 * month outside 1..12, day outside 1..length of the month, hour above 23,
 * minute above 59, second above 59 (60 is accepted at 23:59 of a day that
 * ends with a leap second), latitude outside -90..90, longitude outside
 * -360..360, height outside -11 000..100 000 m, a NaN or infinite real, or a
 * body other than 0 and 1. Before the first DataToDLL they return NaN.
 *
 * State: the library keeps one process-wide state (the last call's angles
 * and its caches) and is meant for one thread; calls from several threads
 * must be serialised by the caller.
 */
#pragma once

#include <stdint.h>

#if defined(_WIN32)
#define ORBEX_SUNMOON_API __declspec(dllexport)
#else
#define ORBEX_SUNMOON_API __attribute__((visibility("default")))
#endif

#ifdef __cplusplus
extern "C" {
#endif

/*
 * Computes the place of one body for one instant and station.
 *
 * year, month, day, hour, minute, second: the UTC instant (Gregorian
 *     calendar; month 1..12, day 1..31, hour 0..23, minute 0..59,
 *     second 0..60).
 * height: metres above the WGS84 ellipsoid (the height above sea level
 *     differs from it by the geoid, at most about 100 m: under 0.1 arcsec
 *     for the Moon).
 * latitude: geodetic, degrees, north positive.
 * longitude: degrees, east positive.
 * flag: reserved, ignored.
 * body: 0 the Moon, 1 the Sun.
 * extra: reserved, ignored.
 */
ORBEX_SUNMOON_API void DataToDLL(uint16_t year, uint16_t month, uint16_t day, uint16_t hour,
                                 uint16_t minute, uint16_t second, double height, double latitude,
                                 double longitude, uint8_t flag, uint8_t body, double extra);

/* Azimuth of the last DataToDLL, degrees from north through east, 0 <= A < 360. */
ORBEX_SUNMOON_API double GetAzimuth(void);

/* Geometric (airless) elevation of the last DataToDLL, degrees, -90..90. */
ORBEX_SUNMOON_API double GetElevation(void);

/* Greenwich hour angle of the last DataToDLL, degrees, 0 <= GHA < 360. */
ORBEX_SUNMOON_API double GetGHA(void);

/* Topocentric apparent declination of the last DataToDLL, degrees, -90..90. */
ORBEX_SUNMOON_API double GetDecTopo(void);

/*
 * Topocentric distance of the body of the last DataToDLL, kilometres.
 *
 * Returned: |r_body(t - tau) - r_station(t)|, the distance from the station
 *     at the UTC instant t to the centre of the body at the time the light
 *     left it, tau = that distance / c: about 350 000..413 000 km for the
 *     Moon (its geocentric distance of 356 000..407 000 km, minus up to one
 *     Earth radius, 6 378 km, with the Moon at the zenith, unchanged with it
 *     on the horizon, plus up to one Earth radius with it at the nadir) and
 *     147.1..152.1 million km for the Sun. The same place as the four
 *     angles: the Earth from ERFA eraEpv00, the Moon from eraMoon98, the
 *     station on the WGS84 ellipsoid. NaN when the angles are NaN (bad input,
 *     before the first call).
 *
 * Notes:
 *  1. The apparent angular diameter follows as 2 asin(R / distance), with R
 *     the body's radius (Moon 1 737.4 km, Sun 695 700 km, IAU 2015 B3).
 *  2. Accuracy, against JPL DE431 over 1950-2050 (see the README): that of
 *     the series, for the Moon about 3 km RMS and at worst about 9 km
 *     (eraMoon98), for the Sun about 2 km RMS and at worst 4 km (eraEpv00);
 *     the reduction to the station adds under 0.5 km.
 */
ORBEX_SUNMOON_API double GetDistance(void);

#ifdef __cplusplus
}
#endif
