#!/usr/bin/env python3
"""Writes two short files in the fixed-width format of the IERS finals2000A
series (readme.finals2000A: MJD in columns 8-15, Bulletin A's UT1-UTC flag in
58 and value in 59-68, Bulletin B's UT1-UTC in 155-165, 185 columns in all).

THE VALUES ARE TEST VALUES composed here, plausible in size and trend, not
IERS data. Run once; the output is committed, so no test needs Python:

    python3 make_finals_excerpts.py

finals2000A.test: 2026-11-20 .. 2026-12-13: ten days with Bulletin A (flag I)
and Bulletin B, seven with Bulletin A alone (I), fifteen predicted (P) with
their lines ending after the UT1 error, then three dated lines without values
(as the whole series lists the days ahead).
finals2000A-leap.test: 2016-12-28 .. 2017-01-03 around the leap second at
the end of 2016, Bulletin A (I) and B, UT1-UTC stepping by +1 s.
"""

import math


def mjd_to_date(mjd):
    # Fliegel & Van Flandern, from the Julian Day Number.
    jdn = int(mjd) + 2400001
    a = jdn + 32044
    b = (4 * a + 3) // 146097
    c = a - 146097 * b // 4
    d = (4 * c + 3) // 1461
    e = c - 1461 * d // 4
    m = (5 * e + 2) // 153
    day = e - (153 * m + 2) // 5 + 1
    month = m + 3 - 12 * (m // 10)
    year = 100 * b + d - 4800 + m // 10
    return year, month, day


def fortran(value, width, decimals):
    """F format as the IERS writes Bulletin B: no zero before the point."""
    text = f"{value:{width + 1}.{decimals}f}"
    text = text.replace("-0.", " -.").replace(" 0.", "  .")
    return text[-width:]


def line(mjd, flag, ut1, bulletin_b=None, short=False, dated_only=False):
    year, month, day = mjd_to_date(mjd)
    head = f"{year % 100:02d}{month:2d}{day:2d} {mjd:8.2f}"
    if dated_only:
        return head
    k = mjd - 61000
    pmx = 0.1 + 0.0011 * math.sin(k / 9.0)
    pmy = 0.3 + 0.0013 * math.cos(k / 9.0)
    text = (f"{head} {flag} {pmx:9.6f}{0.000025:9.6f} {pmy:9.6f}{0.000021:9.6f}  "
            f"{flag}{ut1:10.7f}{0.0000142:10.7f}")
    if short:
        return text
    text += (f" {0.3102:7.4f}{0.0071:7.4f}  {flag} {0.312:9.3f}{0.081:9.3f}"
             f" {-0.051:9.3f}{0.081:9.3f}")
    if bulletin_b is not None:
        text += (fortran(pmx + 0.000004, 10, 6) + fortran(pmy - 0.000003, 10, 6)
                 + fortran(bulletin_b, 11, 7) + f"{0.298:10.3f}{-0.044:10.3f}")
    return text


def ut1_2026(mjd):
    # A length of day about 0.31 ms above 86 400 s, with a small wobble.
    k = mjd - 61364
    return round(0.0412345 - 0.00031 * k + 0.00008 * math.sin(k / 4.0), 7)


def main():
    rows = []
    for mjd in range(61364, 61374):
        a = ut1_2026(mjd)
        rows.append(line(mjd, "I", a, bulletin_b=round(a - 0.0000213, 7)))
    for mjd in range(61374, 61381):
        rows.append(line(mjd, "I", ut1_2026(mjd)))
    for mjd in range(61381, 61396):
        rows.append(line(mjd, "P", ut1_2026(mjd), short=True))
    for mjd in range(61396, 61399):
        rows.append(line(mjd, " ", 0.0, dated_only=True))
    with open("finals2000A.test", "w") as out:
        out.write("\n".join(rows) + "\n")

    leap = []
    # UT1-UTC near -0.409 s before 2017-01-01 and +0.591 s from then on.
    for mjd in range(57750, 57757):
        value = round(-0.4087 - 0.0005 * (mjd - 57750) + (1.0 if mjd >= 57754 else 0.0), 7)
        leap.append(line(mjd, "I", value, bulletin_b=value))
    with open("finals2000A-leap.test", "w") as out:
        out.write("\n".join(leap) + "\n")


if __name__ == "__main__":
    main()
