#!/usr/bin/env python3
"""Independent check of the radio refraction: a step-wise ray trace.

The program integrates the bending integral by quadrature; this script
instead follows the ray through the same atmosphere step by step, solving
the ray equation d/ds(n * dr/ds) = grad n in the plane of the ray with the
classical fourth-order Runge-Kutta method (Cartesian coordinates, path
length s as the parameter), from the station until 30 scale heights above
its start, and takes the bending as the turn of the ray's direction. Each
ray is traced twice, the second time with half the step, and the two must
agree to 0.05 arcseconds.

The atmosphere, as the program's: refractivity after ITU-R P.453-14 from
pressure (hPa), temperature (deg C) and relative humidity (%),
N(h) = N0 * exp(-(h - h0) / 7.35 km) above and below the station's height h0,
over a sphere of radius 6371 km.

Standard library only. Run once; the output is committed, so no test needs
Python:

    python3 trace_refraction.py > refraction_trace.csv

Columns: case,pressure_hpa,temperature_c,humidity_percent,height_m,
refractivity,true_elevation_deg,apparent_elevation_deg[,rise_shift_s]. The
last rows ("rise") give, for a source at declination DEC seen from latitude
LAT, how many seconds earlier it rises (and later sets) with refraction:
the hour angle at the airless elevation of the apparent horizon less that
at 0, at the mean sidereal rate.
"""

import math

EARTH_RADIUS_M = 6371000.0
SCALE_HEIGHT_M = 7350.0
DEG = math.pi / 180.0


def refractivity(p, t, rh):
    if p <= 0:
        return 0.0
    T = t + 273.15
    ef = 1 + 1e-4 * (7.2 + p * (0.0320 + 5.9e-6 * t * t))
    e = rh / 100.0 * ef * 6.1121 * math.exp((18.678 - t / 234.5) * t / (t + 257.14))
    e = min(e, p)
    return 77.6 / T * (p + 4810.0 * e / T)


def bending(n0, h0, e0, step):
    """Turn of the ray leaving height h0 at apparent elevation e0 (radians),
    by RK4 with path steps of `step` metres (larger high up)."""
    nu = n0 * 1e-6

    def n_and_grad(x, y):
        r = math.hypot(x, y)
        ex = nu * math.exp(-(r - EARTH_RADIUS_M - h0) / SCALE_HEIGHT_M)
        dndr = -ex / SCALE_HEIGHT_M
        return 1.0 + ex, dndr * x / r, dndr * y / r

    def deriv(state):
        x, y, px, py = state
        n, gx, gy = n_and_grad(x, y)
        return (px / n, py / n, gx, gy)

    x, y = 0.0, EARTH_RADIUS_M + h0
    n, _, _ = n_and_grad(x, y)
    state = (x, y, n * math.cos(e0), n * math.sin(e0))
    start_angle = math.atan2(state[3], state[2])
    lowest = EARTH_RADIUS_M + h0
    top = None
    while True:
        r = math.hypot(state[0], state[1])
        lowest = min(lowest, r)
        if top is None and r > lowest and state[0] * state[2] + state[1] * state[3] > 0:
            top = lowest + 30 * SCALE_HEIGHT_M
        if top is not None and r >= top:
            break
        # Longer steps where the air is thin: the ray bends there hardly at all.
        h = r - EARTH_RADIUS_M - h0
        ds = step * (1.0 + max(0.0, h) / 4000.0)
        k1 = deriv(state)
        k2 = deriv(tuple(s + 0.5 * ds * k for s, k in zip(state, k1)))
        k3 = deriv(tuple(s + 0.5 * ds * k for s, k in zip(state, k2)))
        k4 = deriv(tuple(s + ds * k for s, k in zip(state, k3)))
        state = tuple(s + ds / 6.0 * (a + 2 * b + 2 * c + d)
                      for s, a, b, c, d in zip(state, k1, k2, k3, k4))
    end_angle = math.atan2(state[3], state[2])
    return start_angle - end_angle


def apparent_for_true(n0, h0, true_e, step):
    """Apparent elevation whose ray ends at the airless elevation true_e."""
    if n0 == 0:
        return true_e
    a = true_e
    fa = a - bending(n0, h0, a, step) - true_e
    b = true_e + 0.01
    fb = b - bending(n0, h0, b, step) - true_e
    for _ in range(30):
        c = b - fb * (b - a) / (fb - fa)
        a, fa = b, fb
        b = c
        fb = b - bending(n0, h0, b, step) - true_e
        if abs(fb) < 1e-11:
            break
    return b


def main():
    cases = [
        ("standard", 1013.25, 10.0, 50.0, 80.0,
         [-1.0, -0.5, 0.0, 0.03, 0.5, 1.0, 2.0, 3.0, 5.0, 7.5, 10.0, 15.0, 20.0, 30.0, 45.0,
          60.0, 80.0]),
        ("humid", 1005.0, 30.0, 90.0, 0.0, [-1.0, 0.0, 1.0, 5.0, 20.0]),
        ("mountain", 700.0, -20.0, 10.0, 3000.0, [-1.0, 0.0, 2.0, 10.0]),
        ("elevated", 1013.25, 10.0, 50.0, 1500.0, [-1.5, -1.0, -0.5]),
    ]
    step = 100.0
    print("case,pressure_hpa,temperature_c,humidity_percent,height_m,refractivity,"
          "true_elevation_deg,apparent_elevation_deg,rise_shift_s")
    for name, p, t, rh, h0, trues in cases:
        n0 = refractivity(p, t, rh)
        for true_deg in trues:
            app = apparent_for_true(n0, h0, true_deg * DEG, step)
            check = apparent_for_true(n0, h0, true_deg * DEG, step / 2)
            assert abs(app - check) < 0.05 / 3600 * DEG, (name, true_deg, app, check)
            print(f"{name},{p},{t},{rh},{h0},{n0:.6f},{true_deg},{app / DEG:.8f},")

    # Rise and set: Taurus A (declination +22.0145 deg) from latitude 52.2 deg
    # with the standard air at 80 m.
    lat, dec = 52.2 * DEG, 22.0145 * DEG
    n0 = refractivity(1013.25, 10.0, 50.0)
    horizon_true = -bending(n0, 80.0, 0.0, step / 2)  # airless elevation seen at 0

    def hour_angle(e):
        return math.acos((math.sin(e) - math.sin(lat) * math.sin(dec)) /
                         (math.cos(lat) * math.cos(dec)))

    sidereal_deg_per_s = 360.98564736629 / 86400.0
    shift = (hour_angle(horizon_true) - hour_angle(0.0)) / DEG / sidereal_deg_per_s
    print(f"rise,1013.25,10.0,50.0,80.0,{n0:.6f},{horizon_true / DEG:.8f},0.0,{shift:.3f}")


if __name__ == "__main__":
    main()
