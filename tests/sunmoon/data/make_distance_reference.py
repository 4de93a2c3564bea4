#!/usr/bin/env python3
"""Reference distances of the Sun and the Moon for the sunmoon tests.

Writes sunmoon_distance_reference.csv next to this script: topocentric and
geocentric distances in kilometres computed by the Swiss Ephemeris (libswe,
Debian `libswe2.0`) from its JPL DE431-derived files (Debian `swe-data`),
independent of ERFA's eraEpv00 and eraMoon98 that libOrbex_sunmoon uses:

  * time scales as in make_reference.py: UT1 = UTC, TT = UTC + (TAI-UTC)
    + 32.184 s with TAI-UTC from ERFA's eraDat;
  * topo_km: swe_calc_ut with SEFLG_SWIEPH | SEFLG_EQUATORIAL | SEFLG_TOPOCTR,
    the station set with swe_set_topo (WGS84 geodetic longitude, latitude,
    height), distance xx[2] in au times the IAU 2012 au.  For an apparent
    place the Swiss Ephemeris gives the light-time-corrected geometric
    distance |r_body(t - tau) - r_station(t)|: its deflection and aberration
    steps turn the vector and keep its length;
  * geo_km: the same without SEFLG_TOPOCTR (from the geocentre);
  * topo_true_km: the topocentric distance with SEFLG_TRUEPOS (no light
    time), to show which of the two the library gives: for the Moon they
    differ by up to about 40 km (the light time is taken in the barycentric
    frame, where the Moon moves with the Earth at 30 km/s for 1.3 s), for the
    Sun by a few kilometres;
  * geo_true_km: the geocentric geometric distance (SEFLG_TRUEPOS) and
    series_km the same from the ERFA series the library uses (eraMoon98 for
    the Moon, eraEpv00 for the Sun, at TT, through astropy's erfa module):
    their difference is the series' own error, so that the tests can tell
    it from an error of the library's reduction to the station;
  * el_deg: the airless topocentric elevation (swe_azalt), for the check that
    geo_km - topo_km grows with the elevation up to one Earth radius.

The cases are pseudo-random (fixed seed) over 1950-2050 and stations all
around the globe (heights -400 m to 5000 m), half of them with the body above
the horizon or not as chance gives, plus a few with the Moon near the zenith
or the nadir of a station under it.

Usage: python3 make_distance_reference.py
Requires: Debian packages libswe2.0, swe-data, liberfa1, python3-astropy
(for its erfa module).
"""
import ctypes
import math
import os
import random

import erfa

import make_reference as ref

AU_KM = 149597870.700  # IAU 2012 Resolution B2
SEFLG_TRUEPOS = 16


def distances(body, y, mo, d, h, mi, s, height, lat, lon):
    fd = (h * 3600 + mi * 60 + s) / 86400.0
    jd_ut = ref.SWE.swe_julday(y, mo, d, 0.0, ref.SE_GREG_CAL) + fd
    dat = ref.tai_minus_utc(y, mo, d, min(fd, 1.0))
    ref.SWE.swe_set_delta_t_userdef((dat + 32.184) / 86400.0)
    ref.SWE.swe_set_topo(lon, lat, height)
    ipl = ref.SE_MOON if body == 0 else ref.SE_SUN
    err = ctypes.create_string_buffer(256)
    out = []
    base = ref.SEFLG_SWIEPH | ref.SEFLG_EQUATORIAL
    for flags in (base | ref.SEFLG_TOPOCTR, base, base | ref.SEFLG_TOPOCTR | SEFLG_TRUEPOS,
                  base | SEFLG_TRUEPOS):
        xx = (ctypes.c_double * 6)()
        ret = ref.SWE.swe_calc_ut(jd_ut, ipl, flags, xx, err)
        if ret < 0 or not (ret & ref.SEFLG_SWIEPH):
            raise RuntimeError("Swiss Ephemeris files not used: " + err.value.decode())
        out.append(xx[2] * AU_KM)
    jd_tt = jd_ut + (dat + 32.184) / 86400.0
    if body == 0:
        series = erfa.moon98(jd_tt, 0.0)[0]
    else:
        series = erfa.epv00(jd_tt, 0.0)[0][0]
    series_km = math.sqrt(sum(series[k] ** 2 for k in range(3))) * AU_KM
    _, _, _, el, _ = ref.reference(body, y, mo, d, h, mi, s, height, lat, lon)
    return out[0], out[1], out[2], out[3], series_km, el


def make_cases():
    rng = random.Random(20261209)
    cases = []
    for i in range(300):
        body = i % 2
        y = rng.randint(1950, 2049)
        mo = rng.randint(1, 12)
        d = rng.randint(1, 28)
        h, mi, s = rng.randint(0, 23), rng.randint(0, 59), rng.randint(0, 59)
        lat = math.degrees(math.asin(2 * rng.random() - 1))
        lat = max(-89.5, min(89.5, lat))
        lon = rng.uniform(-180.0, 180.0)
        height = rng.choice([0.0, rng.uniform(-400.0, 5000.0)])
        cases.append((body, y, mo, d, h, mi, s, round(height, 1), round(lat, 6), round(lon, 6)))
    # The Moon near the zenith and the nadir: put the station under the
    # Moon's geocentric place (or opposite it) at the instant.
    for (y, mo, d, h) in [(1969, 7, 20, 20), (1987, 3, 12, 3), (2003, 11, 8, 14),
                          (2024, 4, 8, 18), (2042, 9, 30, 6)]:
        jd_ut = ref.SWE.swe_julday(y, mo, d, float(h), ref.SE_GREG_CAL)
        dat = ref.tai_minus_utc(y, mo, d, h / 24.0)
        ref.SWE.swe_set_delta_t_userdef((dat + 32.184) / 86400.0)
        xx = (ctypes.c_double * 6)()
        err = ctypes.create_string_buffer(256)
        ref.SWE.swe_calc_ut(jd_ut, ref.SE_MOON, ref.SEFLG_SWIEPH | ref.SEFLG_EQUATORIAL, xx, err)
        gast = ref.SWE.swe_sidtime(jd_ut) * 15.0
        lon = ((xx[0] - gast + 180.0) % 360.0) - 180.0
        lat = xx[1]
        cases.append((0, y, mo, d, h, 0, 0, 0.0, round(lat, 6), round(lon, 6)))
        anti = ((lon + 360.0) % 360.0) - 180.0
        cases.append((0, y, mo, d, h, 0, 0, 0.0, round(-lat, 6), round(anti, 6)))
    return cases


def main():
    path = os.path.join(os.path.dirname(os.path.abspath(__file__)),
                        "sunmoon_distance_reference.csv")
    with open(path, "w") as f:
        f.write("# Distances of the Moon and the Sun, Swiss Ephemeris 2.10 (DE431 files),\n")
        f.write("# UT1 = UTC, TT = UTC + (TAI-UTC) + 32.184 s; made by "
                "make_distance_reference.py.\n")
        f.write("# body: 0 Moon, 1 Sun; UTC fields; height m; lat, lon deg (north, east);\n")
        f.write("# topo_km light-time-corrected topocentric, geo_km geocentric,\n")
        f.write("# topo_true_km topocentric without light time, geo_true_km geocentric\n")
        f.write("# without light time, series_km the same from ERFA eraMoon98/eraEpv00, km;\n")
        f.write("# el_deg airless elevation.\n")
        f.write("body,year,month,day,hour,minute,second,height,lat,lon,"
                "topo_km,geo_km,topo_true_km,geo_true_km,series_km,el_deg\n")
        cases = make_cases()
        for c in cases:
            f.write("%d,%d,%d,%d,%d,%d,%d,%.1f,%.6f,%.6f,%.4f,%.4f,%.4f,%.4f,%.4f,%.6f\n"
                    % (c + distances(*c)))
    print("wrote %d cases to %s" % (len(cases), path))


if __name__ == "__main__":
    main()
