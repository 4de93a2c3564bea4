#!/usr/bin/python3
"""Worked values for the measurement tests, computed independently of the
C++ code with plain Python math from the published formulas:

  Baars, Genzel, Pauliny-Toth & Witzel (1977), A&A 61, 99, Table 5 and the
  Cas A decline d = 0.97 - 0.30 log10 f[GHz] %/yr from epoch 1965.0;
  S = 2kT(pi s^2)/lambda^2 for a disk; Ae = eta pi D^2/4, theta = 70 lambda/D;
  Ae = G lambda^2/4pi, theta = sqrt(41253/G); K = 1 + 0.38 (ts/tb)^2
  (ITU-R S.733); dT = S Ae/(2kK); Y = 1 + dT/Tsys;
  G/T = 8 pi k K (Y-1)/(S lambda^2); Tsys = 290 (10^(NF/10)-1) + Tsky.

Run: python3 tests/measure/make_worked_values.py > tests/measure/worked_values.csv
"""
import math

K_B = 1.380649e-23
C = 299792458.0
JY = 1e-26

FITS = {  # (lo, hi, a, b, c), Baars et al. 1977 Table 5
    "Cassiopeia-A": [(300, 31000, 5.745, -0.770, 0.0)],
    "Cygnus-A": [(20, 2000, 4.695, 0.085, -0.178), (2000, 31000, 7.161, -1.244, 0.0)],
    "Taurus-A": [(1000, 35000, 3.915, -0.299, 0.0)],
    "Virgo-A": [(400, 25000, 5.023, -0.856, 0.0)],
}
SIZE_ARCMIN = {"Cassiopeia-A": 4.0, "Cygnus-A": 2.0, "Taurus-A": math.sqrt(35.0),
               "Virgo-A": 7.0}
SUN_TABLE = [(245, 18), (410, 35), (610, 52), (1415, 70), (2695, 98), (4995, 140),
             (8800, 230), (15400, 520)]


def lam(f):
    return C / (f * 1e6)


def flux(src, f, year):
    fits = FITS[src]
    fit = fits[0] if (len(fits) == 1 or f < 2000) else fits[1]
    x = math.log10(f)
    s = 10 ** (fit[2] + fit[3] * x + fit[4] * x * x)
    if src == "Cassiopeia-A":
        d = 0.97 - 0.30 * math.log10(f / 1000.0)
        s *= (1 - d / 100.0) ** (year - 1965.0)
    return s


def sun(f):
    t = sorted(SUN_TABLE)
    if f <= t[0][0]:
        return t[0][1] * 1e4
    if f >= t[-1][0]:
        return t[-1][1] * 1e4
    for (f1, s1), (f2, s2) in zip(t, t[1:]):
        if f1 <= f <= f2:
            u = (math.log(f) - math.log(f1)) / (math.log(f2) - math.log(f1))
            return math.exp(math.log(s1) + u * (math.log(s2) - math.log(s1))) * 1e4


def disk(t, r, d, f):
    s = math.asin(r / d)
    return 2 * K_B * t * math.pi * s * s / lam(f) ** 2 / JY


def dish(d, eta, f):
    return eta * math.pi * d * d / 4.0, 70.0 * lam(f) / d


def corr(ts, tb):
    return 1 + 0.38 * (ts / tb) ** 2


rows = []
for src, f, yr in [("Cassiopeia-A", 1420, 1965.0), ("Cassiopeia-A", 1420, 1980.0),
                   ("Cassiopeia-A", 1420, 2026.0), ("Cassiopeia-A", 10368, 2026.5),
                   ("Cassiopeia-A", 144, 2026.0), ("Cygnus-A", 144, 2026.0),
                   ("Cygnus-A", 1296, 2026.0), ("Cygnus-A", 10368, 2026.0),
                   ("Taurus-A", 1296, 2026.0), ("Taurus-A", 10368, 2026.0),
                   ("Virgo-A", 432, 2026.0), ("Virgo-A", 2304, 2026.0)]:
    rows.append(("flux", f"{src} {f} MHz {yr}", src, f, yr, "", "", "", flux(src, f, yr)))
for f in [245, 300, 1296, 1415, 2320, 3400, 10368, 24048, 100]:
    rows.append(("sun_table", f"Sun {f} MHz", "Sun", f, "", "", "", "", sun(f)))
for f, t, d in [(1296, 225, 384400.0), (10368, 225, 356500.0), (10368, 225, 406700.0),
                (2304, 200, 384400.0)]:
    rows.append(("disk_flux", f"Moon {f} MHz {t} K {d} km", "Moon", f, t, 1737.4, d, "",
                 disk(t, 1737.4, d, f)))
for r, d in [(1737.4, 384400.0), (1737.4, 356500.0), (696000.0, 149597870.7)]:
    rows.append(("disk_diameter", f"radius {r} at {d}", "", "", r, d, "", "",
                 math.degrees(2 * math.asin(r / d))))
for dm, eta, f in [(3.0, 0.55, 10368), (10.0, 0.6, 1420), (1.2, 0.5, 24048)]:
    ae, tb = dish(dm, eta, f)
    rows.append(("dish_area", f"dish {dm} m {eta} {f} MHz", "", f, dm, eta, "", "", ae))
    rows.append(("dish_beam", f"dish {dm} m {eta} {f} MHz", "", f, dm, eta, "", "", tb))
for g, f in [(20.0, 144), (14.5, 432), (30.0, 1296)]:
    gl = 10 ** (g / 10)
    rows.append(("gain_area", f"gain {g} dBi {f} MHz", "", f, g, "", "", "",
                 gl * lam(f) ** 2 / (4 * math.pi)))
    rows.append(("gain_beam", f"gain {g} dBi {f} MHz", "", f, g, "", "", "",
                 math.sqrt(41252.96124941928 / gl)))
for ts, tb in [(0.5, 0.68), (4 / 60, 2.0), (0.53, 0.5)]:
    rows.append(("beam_correction", f"{ts} deg in {tb} deg", "", "", ts, tb, "", "",
                 corr(ts, tb)))
for nf, tsky in [(0.5, 10.0), (1.0, 0.0), (0.3, 30.0)]:
    rows.append(("tsys_nf", f"NF {nf} dB sky {tsky} K", "", "", nf, tsky, "", "",
                 290 * (10 ** (nf / 10) - 1) + tsky))

# End to end: expected Y in dB for a dish on a radio star, and G/T from a
# measured Y (the dish's beam fixes K).
for src, f, yr, dm, eta, tsys in [("Cassiopeia-A", 10368, 2026.0, 3.0, 0.55, 60.0),
                                  ("Cassiopeia-A", 1296, 2026.0, 10.0, 0.6, 40.0),
                                  ("Taurus-A", 10368, 2026.0, 3.0, 0.55, 60.0),
                                  ("Cygnus-A", 1296, 2026.0, 3.0, 0.5, 50.0)]:
    ae, tb = dish(dm, eta, f)
    k = corr(SIZE_ARCMIN[src] / 60.0, tb)
    dt = flux(src, f, yr) * JY * ae / (2 * K_B * k)
    rows.append(("expected_y_db", f"{src} {dm} m {f} MHz Tsys {tsys}", src, f, yr, dm, eta,
                 tsys, 10 * math.log10(1 + dt / tsys)))
for src, f, yr, ydb, dm, eta in [("Cassiopeia-A", 10368, 2026.0, 0.03, 3.0, 0.55),
                                 ("Cassiopeia-A", 1296, 2026.0, 3.5, 10.0, 0.6),
                                 ("Virgo-A", 2304, 2026.0, 0.4, 5.0, 0.6)]:
    _, tb = dish(dm, eta, f)
    k = corr(SIZE_ARCMIN[src] / 60.0, tb)
    y = 10 ** (ydb / 10)
    gt = 8 * math.pi * K_B * k * (y - 1) / (flux(src, f, yr) * JY * lam(f) ** 2)
    rows.append(("g_over_t_db", f"{src} {ydb} dB {dm} m {f} MHz", src, f, yr, ydb, dm, eta,
                 10 * math.log10(gt)))
# Moon noise with a dish: the Moon at mean distance, 225 K.
for f, dm, eta, tsys in [(10368, 3.0, 0.55, 60.0), (1296, 3.0, 0.55, 60.0)]:
    ae, tb = dish(dm, eta, f)
    dia = math.degrees(2 * math.asin(1737.4 / 384400.0))
    k = corr(dia, tb)
    dt = disk(225, 1737.4, 384400.0, f) * JY * ae / (2 * K_B * k)
    rows.append(("moon_y_db", f"Moon {dm} m {f} MHz Tsys {tsys}", "Moon", f, 225, dm, eta,
                 tsys, 10 * math.log10(1 + dt / tsys)))

print("# Worked values made by tests/measure/make_worked_values.py (plain Python math,")
print("# independent of the C++ code); regenerate with that script.")
print("kind,name,source,frequency_mhz,x1,x2,x3,x4,expected")
for r in rows:
    print(",".join(repr(v) if isinstance(v, float) else str(v) for v in r))
