#!/usr/bin/env python3
"""Worked EME values for the tests of eme/, computed independently of the C++.

Only the Python standard library and ERFA's C library (liberfa1, the
project's own dependency) called through ctypes; a different way through
ERFA from the one the program takes:

  * time scales: eraDtf2d, eraUtctai, eraTaitt (TT) and eraUtcut1 with the
    case's UT1-UTC (the program: its own calendar arithmetic and eraDat);
  * the Moon: the Swiss Ephemeris' geometric geocentric Moon (its program
    swetest, Debian `swetest` with the DE431-based files of `swe-data`:
    -true -j2000 -icrs) at TT, asked afresh at every instant (the program:
    ELP/MPP02 fitted to DE405, in Chebyshev fits over four-day windows); the
    windows below take eraMoon98 at TT, whose few kilometres move an edge by
    well under a second;
  * the station: eraGd2gc (WGS84) rotated into the GCRS with the CIO-based
    celestial-to-terrestrial matrix eraC2t06a, no polar motion (the program:
    the equinox-based eraPnm06a with the Greenwich apparent sidereal time);
  * distance: |Moon - station| at the same instant, geometric (no light time);
  * range rate: numerical differentiation, (d(t + 10 s) - d(t - 10 s)) / 20 s
    (the program: the velocities, analytically); 10 s, not less, because
    swetest takes its instant as one Julian Date in a double (some 20 us);
  * parallactic angle: from vectors, the angle at the Moon's direction u
    between the tangent towards the zenith (the geodetic normal) and the
    tangent towards the celestial intermediate pole, positive when the pole
    lies to the right of the zenith seen from the station (the Moon west of
    the meridian): atan2(u . (tZ x tP), tZ . tP) (the program: the hour-angle
    formula of Meeus, eq. 14.1);
  * delay 2d/c, Doppler -2 f d'/c and -f (d'1 + d'2)/c, path loss
    10 log10((4 pi)^3 d^4 / (sigma lambda^2)) with sigma = 0.065 pi R^2,
    R = 1737.4 km, evaluated directly (the program: as a sum of logarithms);
  * windows: the geometric elevation of the Moon above each station's
    geodetic horizon every minute, the crossings of each station's minimum
    elevation placed by linear interpolation between the two minutes around
    them.

Writes eme_reference.csv and eme_windows_reference.csv beside this script.
Run: python3 tests/eme/data/make_eme_reference.py (needs swetest on the PATH)
"""
import ctypes
import math
import os
import random
import subprocess

ERFA = ctypes.CDLL("liberfa.so.1")
D = ctypes.c_double
PD = ctypes.POINTER(ctypes.c_double)
M33 = (D * 3) * 3

C = 299792458.0
AU_M = 149597870700.0
MOON_R_M = 1737.4e3
SIGMA = 0.065 * math.pi * MOON_R_M ** 2
PERIGEE_KM = 356500.0

ERFA.eraDtf2d.argtypes = [ctypes.c_char_p, ctypes.c_int, ctypes.c_int, ctypes.c_int,
                          ctypes.c_int, ctypes.c_int, D, PD, PD]
ERFA.eraUtctai.argtypes = [D, D, PD, PD]
ERFA.eraTaitt.argtypes = [D, D, PD, PD]
ERFA.eraUtcut1.argtypes = [D, D, D, PD, PD]
ERFA.eraMoon98.argtypes = [D, D, ctypes.POINTER((D * 3) * 2)]
ERFA.eraGd2gc.argtypes = [ctypes.c_int, D, D, D, D * 3]
ERFA.eraC2t06a.argtypes = [D, D, D, D, D, D, ctypes.POINTER(M33)]


def dates(y, mo, d, h, mi, s, dut1):
    """(tt1, tt2, ut11, ut12) of a UTC instant."""
    u1, u2, a1, a2, t1, t2, b1, b2 = (D() for _ in range(8))
    assert ERFA.eraDtf2d(b"UTC", y, mo, d, h, mi, s, ctypes.byref(u1), ctypes.byref(u2)) >= 0
    assert ERFA.eraUtctai(u1, u2, ctypes.byref(a1), ctypes.byref(a2)) >= 0
    ERFA.eraTaitt(a1, a2, ctypes.byref(t1), ctypes.byref(t2))
    assert ERFA.eraUtcut1(u1, u2, dut1, ctypes.byref(b1), ctypes.byref(b2)) >= 0
    return t1.value, t2.value, b1.value, b2.value


def shifted(y, mo, d, h, mi, s, seconds):
    """The calendar fields `seconds` later (no leap second in the cases)."""
    t = ((h * 60 + mi) * 60 + s) + seconds
    day = 0
    while t < 0:
        t += 86400
        day -= 1
    while t >= 86400:
        t -= 86400
        day += 1
    jd = date_to_jd(y, mo, d) + day
    y2, mo2, d2 = jd_to_date(jd)
    return y2, mo2, d2, t // 3600, t // 60 % 60, t % 60


def date_to_jd(y, mo, d):
    a = (14 - mo) // 12
    yy = y + 4800 - a
    mm = mo + 12 * a - 3
    return d + (153 * mm + 2) // 5 + 365 * yy + yy // 4 - yy // 100 + yy // 400 - 32045


def jd_to_date(jd):
    a = jd + 32044
    b = (4 * a + 3) // 146097
    c = a - 146097 * b // 4
    d = (4 * c + 3) // 1461
    e = c - 1461 * d // 4
    m = (5 * e + 2) // 153
    return 100 * b + d - 4800 + m // 10, m + 3 - 12 * (m // 10), e - (153 * m + 2) // 5 + 1


def mat_t_vec(m, v):
    return [m[0][i] * v[0] + m[1][i] * v[1] + m[2][i] * v[2] for i in range(3)]


def sub(a, b):
    return [a[i] - b[i] for i in range(3)]


def dot(a, b):
    return sum(a[i] * b[i] for i in range(3))


def cross(a, b):
    return [a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]]


def norm(a):
    return math.sqrt(dot(a, a))


def unit(a):
    n = norm(a)
    return [x / n for x in a]


def swetest_moon_m(tt_jd):
    """The Swiss Ephemeris' geometric geocentric Moon, ICRS axes, metres."""
    out = subprocess.run(["swetest", "-bj%.10f" % tt_jd, "-p1", "-true", "-j2000", "-icrs",
                          "-fadw", "-ep", "-head"], capture_output=True, text=True,
                         check=True).stdout.split()
    ra, dec, km = (float(x) for x in out[:3])
    ra, dec = math.radians(ra), math.radians(dec)
    return [km * 1000.0 * math.cos(dec) * math.cos(ra),
            km * 1000.0 * math.cos(dec) * math.sin(ra), km * 1000.0 * math.sin(dec)]


class Frame:
    """The Moon and the celestial-to-terrestrial matrix at one instant."""

    def __init__(self, fields, dut1, swetest=True):
        tt1, tt2, ut1, ut2 = dates(*fields, dut1)
        if swetest:
            self.moon = swetest_moon_m(tt1 + tt2)
        else:
            pv = ((D * 3) * 2)()
            ERFA.eraMoon98(tt1, tt2, ctypes.byref(pv))
            self.moon = [pv[0][i] * AU_M for i in range(3)]
        self.rc2t = M33()
        ERFA.eraC2t06a(tt1, tt2, ut1, ut2, 0.0, 0.0, ctypes.byref(self.rc2t))

    def gcrs(self, terrestrial):
        return mat_t_vec(self.rc2t, terrestrial)


def station_itrs(lat, lon, height):
    xyz = (D * 3)()
    assert ERFA.eraGd2gc(1, math.radians(lon), math.radians(lat), height, xyz) == 0
    return [xyz[0], xyz[1], xyz[2]]


def normal_itrs(lat, lon):
    p, l = math.radians(lat), math.radians(lon)
    return [math.cos(p) * math.cos(l), math.cos(p) * math.sin(l), math.sin(p)]


def topocentric(frame, site):
    return sub(frame.moon, frame.gcrs(station_itrs(*site)))


def elevation(frame, site):
    u = unit(topocentric(frame, site))
    return math.degrees(math.asin(dot(u, frame.gcrs(normal_itrs(site[0], site[1])))))


def parallactic(frame, site):
    u = unit(topocentric(frame, site))
    zen = frame.gcrs(normal_itrs(site[0], site[1]))
    pole = frame.gcrs([0.0, 0.0, 1.0])
    tz = sub(zen, [dot(zen, u) * x for x in u])
    tp = sub(pole, [dot(pole, u) * x for x in u])
    return math.degrees(math.atan2(dot(u, cross(tz, tp)), dot(tz, tp)))


def distance_and_rate(fields, site, dut1):
    d0 = norm(topocentric(Frame(fields, dut1), site))
    dp = norm(topocentric(Frame(shifted(*fields, 10), dut1), site))
    dm = norm(topocentric(Frame(shifted(*fields, -10), dut1), site))
    return d0, (dp - dm) / 20.0


def wrap90(a):
    return (a + 90.0) % 180.0 - 90.0


def case_row(fields, home, dx, f_mhz, dut1):
    frame = Frame(fields, dut1)
    d_home, rate_home = distance_and_rate(fields, home, dut1)
    d_dx, rate_dx = distance_and_rate(fields, dx, dut1)
    lam = C / (f_mhz * 1e6)
    loss = 10.0 * math.log10((4.0 * math.pi) ** 3 * d_home ** 4 / (SIGMA * lam ** 2))
    q_home = parallactic(frame, home)
    q_dx = parallactic(frame, dx)
    return {
        "el_home_deg": elevation(frame, home),
        "el_dx_deg": elevation(frame, dx),
        "distance_km": d_home / 1000.0,
        "range_rate_mps": rate_home,
        "dx_distance_km": d_dx / 1000.0,
        "dx_range_rate_mps": rate_dx,
        "delay_s": 2.0 * d_home / C,
        "echo_doppler_hz": -2.0 * f_mhz * 1e6 * rate_home / C,
        "dx_doppler_hz": -f_mhz * 1e6 * (rate_home + rate_dx) / C,
        "path_loss_db": loss,
        "path_loss_change_db": 40.0 * math.log10(d_home / 1000.0 / PERIGEE_KM),
        "par_home_deg": q_home,
        "par_dx_deg": q_dx,
        "polarisation_offset_deg": wrap90(q_home - q_dx),
    }


COLUMNS = ["el_home_deg", "el_dx_deg", "distance_km", "range_rate_mps", "dx_distance_km",
           "dx_range_rate_mps", "delay_s", "echo_doppler_hz", "dx_doppler_hz", "path_loss_db",
           "path_loss_change_db", "par_home_deg", "par_dx_deg", "polarisation_offset_deg"]

# Named stations: (lat deg, lon deg east, height m).
STATIONS = {
    "equator": (0.0, 0.0, 0.0),
    "quito": (-0.2, -78.5, 2850.0),
    "berlin": (52.52, 13.405, 40.0),
    "texas": (32.9, -97.0, 180.0),
    "sydney": (-33.87, 151.21, 60.0),
    "svalbard": (78.22, 15.65, 460.0),
    "mcmurdo": (-77.85, 166.67, 10.0),
    "tokyo": (35.68, 139.69, 40.0),
    "capetown": (-33.92, 18.42, 20.0),
    "hawaii": (19.82, -155.47, 4200.0),
}


def make_cases():
    rng = random.Random(20260324)
    names = sorted(STATIONS)
    freqs = [50.0, 144.0, 432.0, 1296.0, 2304.0, 3400.0, 5760.0, 10368.0, 24048.0]
    cases = []
    for i in range(30):
        y = rng.randint(1950, 2090)
        fields = (y, rng.randint(1, 12), rng.randint(1, 28), rng.randint(0, 23),
                  rng.randint(0, 59), rng.randint(0, 59))
        home, dx = rng.sample(names, 2)
        dut1 = 0.0 if i % 3 else round(rng.uniform(-0.9, 0.9), 4)
        cases.append((fields, home, dx, freqs[i % len(freqs)], dut1))
    return cases


def windows(start_fields, days, home, dx, min_home, min_dx):
    """Common windows, edges to the second by interpolation of 1-min looks."""
    steps = days * 1440
    looks = []
    for k in range(steps + 1):
        frame = Frame(shifted(*start_fields, 60 * k), 0.0, swetest=False)
        looks.append((elevation(frame, home) - min_home, elevation(frame, dx) - min_dx))
    out = []
    up = min(looks[0]) >= 0
    opened = 0.0 if up else None
    high = [looks[0][0] + min_home, looks[0][1] + min_dx] if up else None
    for k in range(1, steps + 1):
        now = min(looks[k]) >= 0
        if now != up:
            # The station whose crossing decides: the later rise or the earlier set.
            edges = []
            for s in range(2):
                a, b = looks[k - 1][s], looks[k][s]
                if (a >= 0) != (b >= 0):
                    edges.append(60.0 * (k - 1 + a / (a - b)))
            edge = max(edges) if now else min(edges)
            # The elevations at the edge itself count too: a station's
            # highest point may be where the other's Moon sets.
            at_edge = Frame(shifted(*start_fields, int(round(edge))), 0.0, swetest=False)
            edge_el = [elevation(at_edge, home), elevation(at_edge, dx)]
            if now:
                opened = edge
                high = [max(edge_el[0], looks[k][0] + min_home),
                        max(edge_el[1], looks[k][1] + min_dx)]
            else:
                high = [max(high[0], edge_el[0]), max(high[1], edge_el[1])]
                out.append((opened, edge, high))
            up = now
        if now:
            high = [max(high[0], looks[k][0] + min_home), max(high[1], looks[k][1] + min_dx)]
    return out


WINDOW_CASES = [
    # start (UTC), days, home, dx, min elevation home, dx
    ((2026, 3, 20, 0, 0, 0), 3, "berlin", "texas", 0.0, 0.0),
    ((2031, 11, 2, 0, 0, 0), 3, "sydney", "tokyo", 5.0, 10.0),
    ((2044, 6, 15, 0, 0, 0), 2, "capetown", "quito", 2.0, 0.0),
]


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    with open(os.path.join(here, "eme_reference.csv"), "w") as f:
        f.write("# EME values computed by make_eme_reference.py (the Moon of swetest, ERFA\n")
        f.write("# through ctypes, own reduction, numerical range rate); stations as named\n")
        f.write("# in the script.\n")
        f.write("year,month,day,hour,minute,second,home_lat,home_lon,home_height,"
                "dx_lat,dx_lon,dx_height,frequency_mhz,dut1_s," + ",".join(COLUMNS) + "\n")
        for fields, home, dx, f_mhz, dut1 in make_cases():
            r = case_row(fields, STATIONS[home], STATIONS[dx], f_mhz, dut1)
            f.write("%d,%d,%d,%d,%d,%d," % fields)
            f.write("%.6f,%.6f,%.1f,%.6f,%.6f,%.1f,%.1f,%.4f," % (STATIONS[home] + STATIONS[dx]
                                                                  + (f_mhz, dut1)))
            f.write(",".join("%.9f" % r[c] for c in COLUMNS) + "\n")
    with open(os.path.join(here, "eme_windows_reference.csv"), "w") as f:
        f.write("# Common Moon windows by make_eme_reference.py: geometric elevations every\n")
        f.write("# minute, crossings interpolated; seconds after the start instant.\n")
        f.write("year,month,day,days,home_lat,home_lon,home_height,dx_lat,dx_lon,dx_height,"
                "min_el_home,min_el_dx,start_s,end_s,max_el_home_deg,max_el_dx_deg\n")
        for start, days, home, dx, mh, md in WINDOW_CASES:
            for a, b, high in windows(start, days, STATIONS[home], STATIONS[dx], mh, md):
                f.write("%d,%d,%d,%d," % (start[0], start[1], start[2], days))
                f.write("%.6f,%.6f,%.1f,%.6f,%.6f,%.1f,%.1f,%.1f," % (STATIONS[home] + STATIONS[dx]
                                                                      + (mh, md)))
                f.write("%.1f,%.1f,%.4f,%.4f\n" % (a, b, high[0], high[1]))


if __name__ == "__main__":
    main()
