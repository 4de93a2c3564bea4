#!/usr/bin/env python3
"""Reference positions of the Sun and the Moon for the sunmoon tests.

Writes sunmoon_reference.csv next to this script: topocentric apparent places
of date computed by the Swiss Ephemeris (libswe, the library behind Debian's
`swetest`) from its JPL DE431-derived files (Debian `swe-data`), reduced to the
conventions of libOrbex_sunmoon:

  * UT1 = UTC, TT = UTC + (TAI-UTC) + 32.184 s.  The Swiss Ephemeris' own
    Delta T model is overridden case by case with swe_set_delta_t_userdef(),
    TAI-UTC taken from ERFA's eraDat (liberfa) and cross-checked against the
    Swiss Ephemeris' own leap-second table for 1972 onwards.  UT1 is the UTC
    clock reading as a day fraction of 86 400 s, also on leap-second days.
  * RA/Dec: swe_calc_ut with SEFLG_SWIEPH | SEFLG_EQUATORIAL | SEFLG_TOPOCTR
    | SEFLG_SPEED (apparent place of date: light time, aberration including
    the observer's diurnal motion, light deflection, precession-nutation).
  * GHA = Greenwich apparent sidereal time (swe_sidtime) - topocentric RA.
  * Azimuth and elevation: swe_azalt(SE_EQU2HOR) on that RA/Dec; the airless
    ("true") altitude xaz[1]; azimuth turned from the Swiss Ephemeris' south
    origin to north through east (+180 deg).

The cases are pseudo-random (fixed seed) over 1950-2050 and over stations all
around the globe (heights -400 m to 5000 m, latitudes up to +-89.5 deg), plus
instants on leap-second days, the leap second 23:59:60 itself included.

Usage: python3 make_reference.py [--check]   (--check also compares a few
cases with the `swetest` command line, using its own Delta T, to show that the
library calls here equal swetest's output).
Requires: Debian packages swetest (libswe2.0), swe-data, liberfa1.
"""
import ctypes
import math
import os
import random
import subprocess
import sys

SWE = ctypes.CDLL("libswe.so.2")
ERFA = ctypes.CDLL("liberfa.so.1")
EPHE = b"/usr/share/libswe/ephe"

SEFLG_SWIEPH = 2
SEFLG_SPEED = 256
SEFLG_EQUATORIAL = 2048
SEFLG_TOPOCTR = 32 * 1024
SE_SUN, SE_MOON = 0, 1
SE_EQU2HOR = 1
SE_GREG_CAL = 1
SE_DELTAT_AUTOMATIC = -1e-10

SWE.swe_calc_ut.argtypes = [ctypes.c_double, ctypes.c_int, ctypes.c_int32,
                            ctypes.POINTER(ctypes.c_double), ctypes.c_char_p]
SWE.swe_calc_ut.restype = ctypes.c_int32
SWE.swe_azalt.argtypes = [ctypes.c_double, ctypes.c_int32, ctypes.POINTER(ctypes.c_double),
                          ctypes.c_double, ctypes.c_double, ctypes.POINTER(ctypes.c_double),
                          ctypes.POINTER(ctypes.c_double)]
SWE.swe_azalt.restype = None
SWE.swe_set_topo.argtypes = [ctypes.c_double] * 3
SWE.swe_set_topo.restype = None
SWE.swe_set_delta_t_userdef.argtypes = [ctypes.c_double]
SWE.swe_set_delta_t_userdef.restype = None
SWE.swe_sidtime.argtypes = [ctypes.c_double]
SWE.swe_sidtime.restype = ctypes.c_double
SWE.swe_julday.argtypes = [ctypes.c_int, ctypes.c_int, ctypes.c_int, ctypes.c_double, ctypes.c_int]
SWE.swe_julday.restype = ctypes.c_double
SWE.swe_set_ephe_path.argtypes = [ctypes.c_char_p]
SWE.swe_utc_to_jd.argtypes = [ctypes.c_int32, ctypes.c_int32, ctypes.c_int32, ctypes.c_int32,
                              ctypes.c_int32, ctypes.c_double, ctypes.c_int32,
                              ctypes.POINTER(ctypes.c_double), ctypes.c_char_p]
SWE.swe_utc_to_jd.restype = ctypes.c_int32
ERFA.eraDat.argtypes = [ctypes.c_int, ctypes.c_int, ctypes.c_int, ctypes.c_double,
                        ctypes.POINTER(ctypes.c_double)]
ERFA.eraDat.restype = ctypes.c_int

SWE.swe_set_ephe_path(EPHE)


def tai_minus_utc(y, mo, d, fd):
    dat = ctypes.c_double()
    status = ERFA.eraDat(y, mo, d, fd, ctypes.byref(dat))
    if status < 0:
        raise ValueError("eraDat failed for %d-%d-%d" % (y, mo, d))
    return dat.value


def check_leap_table(y, mo, d, h, mi, s, dat):
    """For 1973-2022, the Swiss Ephemeris' UTC->TT must agree with eraDat."""
    if y < 1973 or y > 2022 or s >= 60:  # beyond the announced table both guess
        return
    SWE.swe_set_delta_t_userdef(SE_DELTAT_AUTOMATIC)  # swe_utc_to_jd consults Delta T
    out = (ctypes.c_double * 2)()
    err = ctypes.create_string_buffer(256)
    SWE.swe_utc_to_jd(y, mo, d, h, mi, float(s), SE_GREG_CAL, out, err)
    jd_clock = SWE.swe_julday(y, mo, d, (h + mi / 60.0 + s / 3600.0), SE_GREG_CAL)
    tt_minus_clock = (out[0] - jd_clock) * 86400.0
    if abs(tt_minus_clock - (dat + 32.184)) > 1e-3:
        raise RuntimeError("leap-second tables disagree at %d-%02d-%02d: %.4f vs %.4f"
                           % (y, mo, d, tt_minus_clock, dat + 32.184))


def reference(body, y, mo, d, h, mi, s, height, lat, lon, own_delta_t=True):
    fd = (h * 3600 + mi * 60 + s) / 86400.0
    jd_ut = SWE.swe_julday(y, mo, d, 0.0, SE_GREG_CAL) + fd
    if own_delta_t:
        dat = tai_minus_utc(y, mo, d, min(fd, 1.0))
        check_leap_table(y, mo, d, h, mi, s, dat)
        SWE.swe_set_delta_t_userdef((dat + 32.184) / 86400.0)
    else:
        SWE.swe_set_delta_t_userdef(SE_DELTAT_AUTOMATIC)
    SWE.swe_set_topo(lon, lat, height)
    xx = (ctypes.c_double * 6)()
    err = ctypes.create_string_buffer(256)
    flags = SEFLG_SWIEPH | SEFLG_EQUATORIAL | SEFLG_TOPOCTR | SEFLG_SPEED
    ipl = SE_MOON if body == 0 else SE_SUN
    ret = SWE.swe_calc_ut(jd_ut, ipl, flags, xx, err)
    if ret < 0 or not (ret & SEFLG_SWIEPH):
        raise RuntimeError("Swiss Ephemeris files not used: " + err.value.decode())
    ra, dec = xx[0], xx[1]
    geopos = (ctypes.c_double * 3)(lon, lat, height)
    xin = (ctypes.c_double * 3)(ra, dec, xx[2])
    xaz = (ctypes.c_double * 3)()
    SWE.swe_azalt(jd_ut, SE_EQU2HOR, geopos, 0.0, 10.0, xin, xaz)
    gast_deg = SWE.swe_sidtime(jd_ut) * 15.0
    gha = (gast_deg - ra) % 360.0
    az = (xaz[0] + 180.0) % 360.0
    return gha, dec, az, xaz[1], ra


def swetest_check(cases):
    """Compares the library calls with the swetest command line (swetest's own
    Delta T on both sides)."""
    worst = 0.0
    for body, y, mo, d, h, mi, s, height, lat, lon in cases:
        cmd = ["swetest", "-edir" + EPHE.decode(), "-p%d" % (1 if body == 0 else 0),
               "-b%d.%d.%d" % (d, mo, y), "-ut%d:%d:%d" % (h, mi, s),
               "-topo%.6f,%.6f,%.1f" % (lon, lat, height),
               "-geopos%.6f,%.6f,%.1f" % (lon, lat, height), "-fadih", "-head", "-g,"]
        out = subprocess.run(cmd, capture_output=True, text=True, check=True).stdout
        ra_deg, dec, az_s, alt = (float(v) for v in out.strip().split(",")[:4])
        _, rdec, raz, ralt, rra = reference(body, y, mo, d, h, mi, s, height, lat, lon, False)
        diffs = [abs(ra_deg - rra) * 3600, abs(dec - rdec) * 3600,
                 abs((az_s + 180) % 360 - raz) * 3600, abs(alt - ralt) * 3600]
        worst = max(worst, max(diffs))
    print("swetest command line vs library calls: worst difference %.4f arcsec" % worst)
    if worst > 0.05:
        raise RuntimeError("library calls do not reproduce swetest")


def make_cases():
    rng = random.Random(20240613)
    cases = []
    for i in range(360):
        body = i % 2
        y = rng.randint(1950, 2049)
        mo = rng.randint(1, 12)
        d = rng.randint(1, 28)
        h, mi, s = rng.randint(0, 23), rng.randint(0, 59), rng.randint(0, 59)
        u = rng.random()
        if i % 20 == 3:
            lat = rng.choice([89.5, -89.5, 88.0, -87.0])
        else:
            lat = math.degrees(math.asin(2 * u - 1))  # uniform over the sphere
            lat = max(-89.5, min(89.5, lat))
        lon = rng.uniform(-180.0, 180.0)
        height = rng.choice([0.0, rng.uniform(-400.0, 5000.0)])
        cases.append((body, y, mo, d, h, mi, s, round(height, 1), round(lat, 6), round(lon, 6)))
    # Leap-second days: the day's fraction of 86 400 s, not of 86 401 s, is UT1.
    for (y, mo, d) in [(2016, 12, 31), (1998, 12, 31), (2012, 6, 30), (1972, 6, 30)]:
        for (h, mi, s) in [(0, 0, 1), (12, 0, 0), (23, 59, 59), (23, 59, 60)]:
            for body in (0, 1):
                lat = rng.uniform(-60.0, 60.0)
                lon = rng.uniform(-180.0, 180.0)
                cases.append((body, y, mo, d, h, mi, s, 100.0, round(lat, 6), round(lon, 6)))
    # The epoch ends, and the rubber-second era of UTC before 1972.
    for (y, mo, d, h, mi, s) in [(1950, 1, 1, 0, 0, 0), (2050, 12, 31, 23, 59, 59),
                                 (1965, 3, 1, 6, 30, 0), (1961, 1, 1, 0, 0, 0)]:
        for body in (0, 1):
            cases.append((body, y, mo, d, h, mi, s, 250.0, 52.2, 5.4))
    return cases


def main():
    cases = make_cases()
    if "--check" in sys.argv:
        swetest_check(cases[:12] + cases[-24:-16])
    path = os.path.join(os.path.dirname(os.path.abspath(__file__)), "sunmoon_reference.csv")
    with open(path, "w") as f:
        f.write("# Topocentric apparent places of date, Swiss Ephemeris 2.10 (DE431 files),\n")
        f.write("# UT1 = UTC, TT = UTC + (TAI-UTC) + 32.184 s; made by make_reference.py.\n")
        f.write("# body: 0 Moon, 1 Sun; UTC fields; height m; lat, lon deg (north, east);\n")
        f.write("# gha, dec, az (from north through east), el (airless) in degrees.\n")
        f.write("body,year,month,day,hour,minute,second,height,lat,lon,gha,dec,az,el\n")
        for c in cases:
            gha, dec, az, el, _ = reference(*c)
            f.write("%d,%d,%d,%d,%d,%d,%d,%.1f,%.6f,%.6f,%.9f,%.9f,%.9f,%.9f\n"
                    % (c + (gha, dec, az, el)))
    print("wrote %d cases to %s" % (len(cases), path))


if __name__ == "__main__":
    main()
