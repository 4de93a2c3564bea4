#!/usr/bin/python3
"""Reads a scan's FITS file with astropy, as a user's own script would, and
prints what the test compares: the primary header's keys and the SCAN
table's columns, one "NAME=value" a line."""
import sys

import numpy as np
from astropy.io import fits

with fits.open(sys.argv[1]) as f:
    primary = f[0].header
    for key in ("OBJECT", "DATE-OBS", "TELESCOP", "PROCEDUR", "SITELAT", "SITELONG", "FREQ",
                "HPBW", "TAU", "AZOFF", "ELOFF", "HPBWAZ", "HPBWEL"):
        if key in primary:
            print(f"{key}={primary[key]}")
    scan = f["SCAN"]
    print(f"ROWS={len(scan.data)}")
    print("COLUMNS=" + ",".join(scan.columns.names))
    print(f"TIME_UNIT={scan.columns['TIME'].unit}")
    for name in ("TIME", "DAZ", "DEL", "POWER_DB"):
        values = np.asarray(scan.data[name], dtype=float)
        if np.isnan(values).all():  # a recording has no offsets from a source
            continue
        print(f"{name}_MIN={np.nanmin(values):.6f}")
        print(f"{name}_MAX={np.nanmax(values):.6f}")
    power = np.asarray(scan.data["POWER"], dtype=float)
    power_db = np.asarray(scan.data["POWER_DB"], dtype=float)
    print(f"POWER_MATCHES_DB={np.allclose(10 * np.log10(power), power_db)}")
