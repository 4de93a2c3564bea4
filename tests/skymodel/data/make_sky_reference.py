#!/usr/bin/python3
"""Independent check of the sky model: the beam average and the ring.

The program reads the 408 MHz survey and its spectral-index map with
cfitsio and walks its pixels row by row; this script reads the same FITS
files with astropy, places every pixel with astropy's WCS (the headers'
own CAR projection), scales every pixel with numpy,

    T_f = 2.725 K + (T408 - 2.725 K) * (f / 408 MHz)^-beta,

beta the index map's value or 2.6 where it holds 0, and averages them at
once over the whole sky:

- the beam: weights exp(-4 ln 2 d^2 / HPBW^2) * cos(dec) for the pixels
  within 2.5 HPBW, d the great-circle distance (haversine);
- the ring: weights cos(dec) for the pixels from INNER to OUTER degrees.

Debian's python3-astropy and python3-numpy. Run once; the output is
committed, so no test needs Python:

    /usr/bin/python3 make_sky_reference.py ../../../data/sky408 > sky_reference.csv

Columns: case,kind,frequency_mhz,ra_deg,dec_deg,hpbw_or_inner_deg,outer_deg,tsky_k
"""

import sys

import numpy as np
from astropy.io import fits
from astropy.wcs import WCS

folder = sys.argv[1]
t_hdu = fits.open(folder + "/408mhz_ra_dec.fits")[0]
b_hdu = fits.open(folder + "/408mhz_ra_dec_spectral_index.fits")[0]
t408 = t_hdu.data.astype(np.float64)
beta = b_hdu.data.astype(np.float64)
beta = np.where(beta > 0, beta, 2.6)
wcs = WCS(t_hdu.header)
ny, nx = t408.shape
jj, ii = np.mgrid[0:ny, 0:nx]
ra, dec = wcs.all_pix2world(ii, jj, 0)
ra = np.radians(np.mod(ra, 360.0))
dec = np.radians(dec)


def scaled(f):
    return 2.725 + (t408 - 2.725) * (f / 408.0) ** (-beta)


def distance(ra0, dec0):
    a = np.radians(ra0)
    d = np.radians(dec0)
    h = np.sin((dec - d) / 2) ** 2 + np.cos(dec) * np.cos(d) * np.sin((ra - a) / 2) ** 2
    return np.degrees(2 * np.arcsin(np.sqrt(np.clip(h, 0, 1))))


def beam(f, ra0, dec0, hpbw):
    dist = distance(ra0, dec0)
    inside = dist <= 2.5 * hpbw
    w = np.exp(-4 * np.log(2) * dist ** 2 / hpbw ** 2) * np.cos(dec)
    w = np.where(inside, w, 0.0)
    return float(np.sum(w * scaled(f)) / np.sum(w))


def ring(f, ra0, dec0, inner, outer):
    dist = distance(ra0, dec0)
    inside = (dist >= inner) & (dist <= outer)
    w = np.where(inside, np.cos(dec), 0.0)
    return float(np.sum(w * scaled(f)) / np.sum(w))


CAS = (350.85, 58.815)
cases = [
    ("cold high latitude, 144 MHz, 10 deg", "beam", 144.0, 150.0, 40.0, 10.0, 0),
    ("galactic centre, 408 MHz, 2 deg", "beam", 408.0, 266.4, -29.0, 2.0, 0),
    ("galactic centre, 50 MHz, 30 deg", "beam", 50.0, 266.4, -29.0, 30.0, 0),
    ("Cas A through a 3 m dish, 1296 MHz", "beam", 1296.0, CAS[0], CAS[1], 0.675 * 8, 0),
    ("near the pole, 70 MHz, 3 deg", "beam", 70.0, 45.0, 89.0, 3.0, 0),
    ("across RA 0, 432 MHz, 4 deg", "beam", 432.0, 0.3, 10.0, 4.0, 0),
    ("Cygnus region, 10368 MHz, 1 deg", "beam", 10368.0, 299.87, 40.73, 1.0, 0),
    ("ring round Cas A, 144 MHz", "ring", 144.0, CAS[0], CAS[1], 7.5, 15.0),
    ("ring round Cas A, 1296 MHz", "ring", 1296.0, CAS[0], CAS[1], 1.5 * 0.85, 3 * 0.85),
]
print("case,kind,frequency_mhz,ra_deg,dec_deg,hpbw_or_inner_deg,outer_deg,tsky_k")
for name, kind, f, ra0, dec0, a, b in cases:
    value = beam(f, ra0, dec0, a) if kind == "beam" else ring(f, ra0, dec0, a, b)
    print(f'"{name}",{kind},{f},{ra0},{dec0},{a},{b},{value:.6f}')
