#!/usr/bin/python3
"""Reference places of fixed sources for the apparent-place tests.

Writes apparent_reference.csv next to this script: for fixed sources given by
ICRS (J2000) right ascension and declination (the catalogue's fixed sources in
both coordinate sets, Centaurus A, every "More Sources" entry and random
points), stations all over the globe and UTC instants from 1990 to 2045, the
topocentric place as astropy.coordinates computes it, airless and with radio
refraction:

  * ICRS -> AltAz and ICRS -> HADec (astropy 5.2, Debian python3-astropy),
    each once with pressure 0 (airless) and once with the row's pressure,
    temperature, relative humidity and obswl = c / frequency.  Astropy builds
    ERFA's astrometry context with erfa.apco from its own time scales, the
    Earth's position and velocity (erfa.epv00 at TDB) and the CIP/CIO of
    IAU 2006/2000A at TT, applies light deflection and aberration in its own
    Python atciqz, then erfa.atioq; refraction constants from erfa.refco.
  * Conventions of Vantrel's Sun and Moon library: UT1 = UTC
    (Time.delta_ut1_utc = 0), no polar motion (astropy's IERS lookup of
    polar motion replaced by zero), station geodetic on WGS84.  Offline:
    iers.conf.auto_download = False, no IERS table is read.
  * Greenwich hour angle = HADec hour angle - east longitude, 0..360.

Every row is also computed a second way, straight through ERFA
(erfa.apco13 with dut1 = 0, xp = yp = 0, then erfa.atciqz and erfa.atioq), and
the script stops if the two ways differ by more than 0.005 arcsec; the
largest difference is printed.

Rows are chosen so that the airless elevations cover 2.5 deg to the zenith,
with more rows near the horizon, where refraction changes fastest, and a few
within a degree of the zenith (a station moved under the source).

Columns: name; UTC year, month, day, hour, minute, second; station latitude,
longitude (degrees, north and east positive), height (m); source RA, Dec
(degrees, ICRS); pressure (hPa), temperature (C), relative humidity (%),
frequency (MHz); airless az, el, gha, dec; refracted az, el, gha, dec
(degrees; az from north through east).

Usage: /usr/bin/python3 make_reference.py     (fixed seed: same file each run)
Requires: Debian python3-astropy (with python3-pyerfa).
"""
import csv
import math
import os
import random
import sys
import warnings

import erfa
import numpy as np
import astropy.units as u
from astropy.constants import c as LIGHT
from astropy.coordinates import AltAz, EarthLocation, HADec, SkyCoord
from astropy.coordinates import erfa_astrom
from astropy.time import Time
from astropy.utils import iers

iers.conf.auto_download = False
iers.conf.auto_max_age = None
erfa_astrom.get_polar_motion = lambda time: (np.zeros(np.shape(time.jd1)),) * 2
warnings.simplefilter("ignore")  # ERFA's "dubious year" for dates after its leap-second table

OUT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "apparent_reference.csv")
SEED = 20261209

# name, RA (deg), Dec (deg): the catalogue as the grids compute it.
SOURCES = [
    ("Aquarius", 336.99999, 0.0),
    ("Leo", 149.85834, 30.746389),
    ("Cassiopeia-A", 350.85, 58.815),
    ("Centaurus-A", 201.3666, -43.01),
    ("Cygnus-A", 299.8875, 40.728),
    ("Taurus-A", 83.6325, 22.0144444),
    ("Virgo-A", 187.7058, 12.39111),
    ("Sagittarius-A", 266.416665, -29.00777),
    ("Cygnus-A rt", 299.8681665, 40.73388),
    ("Taurus-A rt", 83.633325, 22.014461),
    ("Virgo-A rt", 187.7029167, 12.3875),
    ("Sagittarius-A rt", 266.41683705, -29.00781056),
]
PICKS = [
    ("3C10", 0.37666, 63.8666), ("3C144 Taurus A", 5.525, 21.98333), ("3C157", 6.23833, 22.6),
    ("W41", 18.52666, -8.95), ("3C392", 18.89333, 1.25), ("W78 Cyg", 20.80333, 29.5),
    ("3C461 Cass A", 23.3910944, 58.811177), ("3C123", 4.565, 29.5666),
    ("3C218 Hydra A", 9.30154, -12.095966), ("M87 Virgo A", 12.51352778, 12.3875),
    ("3C295", 14.15, 52.43333), ("3C348 Hurcules", 16.811666, 5.083333),
    ("3C353", 17.298333, 0.933333), ("3C405 Cygnus A", 19.9912111, 40.73388),
    ("W2 IC1795", 2.378333, 61.85), ("3C145 Orion A", 5.5879111, -5.3896777),
    ("3C147 Orion B", 5.64, -1.9), ("W28 M20", 17.97, -23.36666), ("W29", 18.02, -24.36666),
    ("W33", 18.173333, -18.0), ("W37 M16", 18.271666, -13.75), ("W38 M17", 10.28555, -16.15),
    ("3C400 W51", 19.335555, 14.133333),
]
SOURCES += [(n, 15.0 * h, d) for n, h, d in PICKS]

PRESSURES = [1013.25, 1030.0, 950.0, 850.0, 700.0, 600.0]
TEMPERATURES = [-40.0, -10.0, 0.0, 12.5, 25.0, 45.0]
HUMIDITIES = [0.0, 20.0, 55.0, 80.0, 100.0]
FREQUENCIES = [10.0, 50.0, 144.0, 432.0, 1296.0, 1420.0, 10368.0, 24048.0, 115000.0, 900000.0]

# Airless elevation bins (deg) and rows wanted in each.
BINS = [(2.5, 3.0, 40), (3.0, 5.0, 80), (5.0, 10.0, 80), (10.0, 20.0, 70), (20.0, 40.0, 70),
        (40.0, 70.0, 70), (70.0, 89.0, 60), (89.0, 90.0, 12)]


def near_zenith(rng, case):
    """The case moved to a station where its source passes within a degree
    of the zenith: latitude = declination, longitude = RA - Earth rotation angle."""
    name, utc, (lat, lon, hm), (ra, dec), cond = case
    if name == "random" or abs(dec) > 89.0:
        return case
    jd1, jd2 = erfa.dtf2d("UTC", *utc[:5], float(utc[5]))
    era = math.degrees(erfa.era00(jd1, jd2))
    lon = round((ra - era + rng.uniform(-0.3, 0.3) + 180.0) % 360.0 - 180.0, 5)
    return (name, utc, (round(dec + rng.uniform(-0.3, 0.3), 5), lon, hm), (ra, dec), cond)


def random_case(rng):
    lat = math.degrees(math.asin(rng.uniform(-1.0, 1.0)))
    lat = max(-89.5, min(89.5, lat))
    station = (round(lat, 5), round(rng.uniform(-180.0, 180.0), 5), round(rng.uniform(-400.0, 5000.0), 1))
    start = Time("1990-01-01T00:00:00", scale="utc").jd
    end = Time("2045-12-31T23:59:59", scale="utc").jd
    t = Time(rng.uniform(start, end), format="jd", scale="utc")
    f = t.ymdhms
    utc = (int(f.year), int(f.month), int(f.day), int(f.hour), int(f.minute), int(f.second))
    if rng.random() < 0.6:
        name, ra, dec = rng.choice(SOURCES)
    else:
        name, ra, dec = "random", round(rng.uniform(0.0, 360.0), 6), round(
            math.degrees(math.asin(rng.uniform(-1.0, 1.0))), 6)
    cond = (rng.choice(PRESSURES), rng.choice(TEMPERATURES), rng.choice(HUMIDITIES), rng.choice(FREQUENCIES))
    return (name, utc, station, (ra, dec), cond)


def via_erfa(case, refracted):
    """The same place straight through ERFA: apco13, atciqz, atioq."""
    _, (y, mo, d, h, mi, s), (lat, lon, hm), (ra, dec), (p, tc, rh, f) = case
    utc1, utc2 = erfa.dtf2d("UTC", y, mo, d, h, mi, float(s))
    wl = (LIGHT / (f * u.MHz)).to_value(u.micron)
    astrom, _eo = erfa.apco13(utc1, utc2, 0.0, math.radians(lon), math.radians(lat), hm, 0.0, 0.0,
                              p if refracted else 0.0, tc, rh / 100.0, wl)
    ri, di = erfa.atciqz(math.radians(ra), math.radians(dec), astrom)
    aob, zob, hob, dob, _rob = erfa.atioq(ri, di, astrom)
    return (math.degrees(aob) % 360.0, 90.0 - math.degrees(zob),
            (math.degrees(hob) - lon) % 360.0, math.degrees(dob))


def via_astropy(case, refracted):
    _, (y, mo, d, h, mi, s), (lat, lon, hm), (ra, dec), (p, tc, rh, f) = case
    t = Time(f"{y:04d}-{mo:02d}-{d:02d}T{h:02d}:{mi:02d}:{s:02d}", scale="utc")
    t.delta_ut1_utc = 0.0
    loc = EarthLocation.from_geodetic(lon * u.deg, lat * u.deg, hm * u.m, ellipsoid="WGS84")
    air = dict(pressure=(p if refracted else 0.0) * u.hPa, temperature=tc * u.deg_C,
               relative_humidity=rh / 100.0, obswl=(LIGHT / (f * u.MHz)).to(u.micron))
    src = SkyCoord(ra * u.deg, dec * u.deg, frame="icrs")
    altaz = src.transform_to(AltAz(obstime=t, location=loc, **air))
    hadec = src.transform_to(HADec(obstime=t, location=loc, **air))
    return (altaz.az.deg % 360.0, altaz.alt.deg, (hadec.ha.deg - lon) % 360.0, hadec.dec.deg)


def sky_difference_arcsec(a, b):
    """Largest of az*cos(el), el, gha*cos(dec), dec differences, arcsec."""
    def wrap(x):
        return (x + 180.0) % 360.0 - 180.0
    return 3600.0 * max(abs(wrap(a[0] - b[0])) * math.cos(math.radians(a[1])), abs(a[1] - b[1]),
                        abs(wrap(a[2] - b[2])) * math.cos(math.radians(a[3])), abs(a[3] - b[3]))


def main():
    rng = random.Random(SEED)
    wanted = {b: BINS[b][2] for b in range(len(BINS))}
    chosen = []
    tries = 0
    while any(wanted.values()):
        tries += 1
        if tries > 200000:
            sys.exit("could not fill the elevation bins")
        case = random_case(rng)
        if wanted[len(BINS) - 1] > 0 and tries % 4 == 0:
            case = near_zenith(rng, case)
        el = via_erfa(case, False)[1]
        for b, (lo, hi, _) in enumerate(BINS):
            if lo <= el < hi and wanted[b] > 0:
                wanted[b] -= 1
                chosen.append(case)
    worst = 0.0
    rows = []
    for case in chosen:
        airless = via_astropy(case, False)
        observed = via_astropy(case, True)
        for refracted, ref in ((False, airless), (True, observed)):
            diff = sky_difference_arcsec(ref, via_erfa(case, refracted))
            worst = max(worst, diff)
            if diff > 0.005:
                sys.exit(f"astropy and ERFA disagree by {diff:.4f} arcsec for {case}")
        name, utc, station, (ra, dec), cond = case
        rows.append([name, *utc, *station, ra, dec, *cond,
                     *(f"{v:.10f}" for v in airless), *(f"{v:.10f}" for v in observed)])
    with open(OUT, "w", newline="") as out:
        out.write("# Topocentric places of ICRS points by astropy.coordinates 5.2 (ERFA 2.0 inside),\n"
                  "# UT1 = UTC, no polar motion, WGS84; airless and with radio refraction; made by\n"
                  f"# make_reference.py (seed {SEED}). astropy and direct ERFA agree within "
                  f"{worst:.2g} arcsec.\n")
        w = csv.writer(out, lineterminator="\n")
        w.writerow(["name", "year", "month", "day", "hour", "minute", "second", "lat", "lon", "height",
                    "ra", "dec", "pressure", "temperature", "humidity", "frequency",
                    "az", "el", "gha", "decl", "az_r", "el_r", "gha_r", "decl_r"])
        w.writerows(rows)
    print(f"{len(rows)} rows written to {OUT}; astropy vs ERFA worst {worst:.2g} arcsec")


if __name__ == "__main__":
    main()
