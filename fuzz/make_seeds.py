#!/usr/bin/env python3
"""Writes the hand-made seed inputs of fuzz/corpus/ (run from the fuzz folder).

The seeds are small real inputs: a station data file as the program writes
it, real locators, the help file's sitemaps, tool command lines, a log, the
values Vanset.ini holds, and the hostile values found before. Inputs the
fuzzer found are added by hand under fuzz/regressions/ instead.
"""
import math
import os
import struct
import subprocess
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(HERE)


def put(target, name, data):
    folder = os.path.join(HERE, "corpus", target)
    os.makedirs(folder, exist_ok=True)
    if isinstance(data, str):
        data = data.encode("utf-8", "surrogateescape")
    with open(os.path.join(folder, name), "wb") as f:
        f.write(data)


def ext80(x):
    """The x87 80-bit encoding of a Python float (every double is exact in it)."""
    if x == 0:
        return bytes(9) + (b"\x80" if math.copysign(1, x) < 0 else b"\x00")
    if math.isinf(x):
        return struct.pack("<QH", 1 << 63, 0x7FFF | (0x8000 if x < 0 else 0))
    if math.isnan(x):
        return struct.pack("<QH", 0xC000000000000000, 0x7FFF)
    m, e = math.frexp(abs(x))  # abs(x) = m * 2**e, 0.5 <= m < 1
    significand = int(m * (1 << 64))
    biased = e - 1 + 16383
    return struct.pack("<QH", significand, biased | (0x8000 if x < 0 else 0))


def text(s, capacity, length=None):
    raw = s.encode("latin-1")
    n = len(raw) if length is None else length
    return bytes([n]) + raw[:capacity].ljust(capacity, b"\x00")


def record(lat, lon, height, utc, ra, dec, location, source, call, interval, hint, option,
           mode, location_length=None):
    r = b"".join(ext80(v) for v in (lat, lon, height, utc, ra, dec))
    r += text(location, 15, location_length) + text(source, 15) + text(call, 8)
    r += b"\x00" * 3 + struct.pack("<iiiB", interval, hint, option, mode) + b"\x00" * 3
    assert len(r) == 120, len(r)
    return r


def station_seeds():
    jhb = record(-26.2333, 27.9667, 1753, 2, 23.391, 58.8, "Johannesburg", "Cas A", "ZS6XYZ",
                 30, 0, 0, 0)
    berlin = record(52.5167, 13.4, 40, 1, 5.575, 22.0145, "Berlin", "Crab", "DL0ABC", 60, 1, 2,
                    1)
    put("station_file", "johannesburg.dat", jhb)
    put("station_file", "two-records.dat", jhb + berlin)
    put("station_file", "two-records-and-tail.dat", jhb + berlin + b"\xff" * 10)
    put("station_file", "short.dat", jhb[:100])
    put("station_file", "empty.dat", b"")
    put("station_file", "location-length-20.dat",
        record(0, 0, 0, 0, 0, 0, "ABCDEFGHIJKLMNO", "", "", 0, 0, 0, 0, location_length=20))
    put("station_file", "nan-and-huge.dat",
        record(float("nan"), 1e30, -1e30, float("inf"), -5, 100, "x", "y", "z", -7, 99, 7, 255))
    put("station_file", "reserved-bytes.dat", jhb[:101] + b"\xff\xff\xff" + jhb[104:117] + b"\xff" * 3)
    # Unnormal, pseudo-denormal and denormal extended values as read from a
    # damaged file.
    odd = bytearray(jhb)
    odd[0:10] = struct.pack("<QH", 0x4000000000000000, 0x4000)  # integer bit clear
    odd[10:20] = struct.pack("<QH", 0x8000000000000001, 0x0000)  # pseudo-denormal
    odd[20:30] = struct.pack("<QH", 0x0000000000000001, 0x8000)  # smallest negative denormal
    odd[30:40] = struct.pack("<QH", 0x4000000000000000, 0x7FFF)  # pseudo-NaN
    put("station_file", "odd-extended.dat", bytes(odd))

    for name, v in [("zero", 0.0), ("negative-zero", -0.0), ("one", 1.0), ("latitude", -26.2333),
                    ("longitude", 27.9667), ("height", 1753.0), ("tiny", 5e-324),
                    ("huge", 1.7976931348623157e308), ("inf", float("inf")),
                    ("minus-inf", float("-inf")), ("nan", float("nan"))]:
        put("extended80", name, ext80(v))
    put("extended80", "largest", struct.pack("<QH", 0xFFFFFFFFFFFFFFFF, 0x7FFE))
    put("extended80", "smallest-denormal", struct.pack("<QH", 1, 0))
    put("extended80", "pseudo-denormal", struct.pack("<QH", 0x8000000000000000, 0))
    put("extended80", "unnormal", struct.pack("<QH", 0x4000000000000000, 0x4000))
    put("extended80", "pseudo-infinity", struct.pack("<QH", 0, 0x7FFF))
    put("extended80", "signalling-nan", struct.pack("<QH", 0x8000000000000001, 0xFFFF))


def locator_seeds():
    for loc in ["KG33xs", "kg33XS", "JJ00aa", "IO91xl", "IJ90xa", "JS00aa", "RS99xx", "JT00aa",
                "SS00aa", "JJ00ay", "JJ0Aaa", "jj00AA", "KG33xsa", "KG3", "AA00aa", "RR99xx"]:
        put("grid_locator", "decode-" + loc, "0" + loc)
    # Encoding: '1', then latitude and longitude degrees, minutes, seconds
    # (32-bit) and the flags (1 south, 2 east, 4 spread over the globe).
    for name, lat, lon, flags in [("johannesburg", (26, 14, 0), (27, 58, 0), 3),
                                  ("origin", (0, 0, 0), (0, 0, 0), 0),
                                  ("pole", (90, 0, 0), (0, 0, 0), 0),
                                  ("dateline-east", (0, 0, 0), (180, 0, 0), 2),
                                  ("beyond", (2000000000, 59, 59), (400, 0, 0), 1)]:
        put("grid_locator", "encode-" + name, b"1" + struct.pack("<6iB", *lat, *lon, flags))
    put("grid_locator", "encode-spread", b"1" + struct.pack("<6iB", 123456789, 0, 0, 987654321,
                                                            0, 0, 4))


def dms_seeds():
    for name, v in [("half-degree", 33.5), ("carry", 10.99999), ("27.0165", 27.0165),
                    ("negative", -26.2333), ("ra-wrap", 23.99999), ("huge", 3e9),
                    ("nan", float("nan")), ("inf", float("inf"))]:
        put("dms_text", "value-" + name, b"\x00" + ext80(v))
    put("dms_text", "parts-1", b"\x01" + struct.pack("<IBBB", 26, 14, 0, ord("-")))
    put("dms_text", "parts-2", b"\x01" + struct.pack("<IBBB", 23, 59, 59, ord("S")))
    for i, t in enumerate(["1296", "-3.5", "1e3", " 5", "5 ", "0x10", "inf", "nan", "1e400",
                           "1e-400", "+7", ".5", "5.", "", "--5", "1,5", "\t", "7\x00"]):
        put("dms_text", "text-%02d" % i, b"\x02" + t.encode())


def help_seeds():
    content = os.path.join(ROOT, "help", "content")
    for name in ["Vantrel.hhc", "Vantrel.hhk"]:
        with open(os.path.join(content, name), "rb") as f:
            put("sitemap", name, b"\x00" + f.read())
    put("sitemap", "deep-lists", b"\x00" + b"<UL>" * 100 +
        b'<LI><OBJECT type="text/sitemap"><param name="Name" value="deep"></OBJECT>' + b"</UL>" * 100)
    put("sitemap", "broken-markup", b'\x00<ul><li><object type=text/sitemap><param name=Name '
        b"value='a &amp; b'><param name=\"Local\" value=x.htm</object><!-- <ul>")
    put("sitemap", "ampersands", b"\x01" + b"&" * 4096)
    put("sitemap", "entities", b"\x01&amp;&lt;&gt;&quot;&apos;&nbsp;&#65;&#x41;&#X1F600;&#xD800;"
        b"&#x110000;&#0;&#99999999;&#xFFFFFFFF;&unknown;&#;&#x;&amp")
    # The crash bits of chmlib: single bits flipped at these offsets of the
    # help file of 2026-12-09 made chmlib overflow a buffer, divide by zero
    # or write through a bad pointer.
    with open(os.path.join(ROOT, "tests", "help", "data", "Vantrel-2026-12-09.chm"), "rb") as f:
        chm = f.read()
    put("chm_file", "Vantrel-2026-12-09.chm", chm)
    reader = sys.argv[1] if len(sys.argv) > 1 else None
    for offset in (0x22AF, 0x223A, 0x41B):
        kept = 0
        for bit in range(8):
            if kept == 2:
                break  # two crashing bits per offset are plenty
            flipped = bytearray(chm)
            flipped[offset] ^= 1 << bit
            keep = bit == 0
            if reader:
                path = "/tmp/vantrel-seed-flip.chm"
                with open(path, "wb") as f:
                    f.write(flipped)
                rc = subprocess.run([reader, path], stdout=subprocess.DEVNULL,
                                    stderr=subprocess.DEVNULL).returncode
                keep = rc < 0  # the reader was killed by a signal
            if keep:
                kept += 1
                put("chm_file", "flip-%04x-bit%d.chm" % (offset, bit), bytes(flipped))
    put("chm_file", "empty.chm", b"")
    put("chm_file", "header-only.chm", chm[:0x60])
    if reader:
        out = subprocess.run([reader, os.path.join(ROOT, "tests", "help", "data",
                                                   "Vantrel-2026-12-09.chm")],
                             stdout=subprocess.PIPE, check=True).stdout
        put("chm_stream", "Vantrel-2026-12-09.stream", out)

    def obj(path, data):
        return b"O" + struct.pack("<I", len(path)) + path + struct.pack("<Q", len(data)) + data

    def stream(objects):
        body = b"".join(obj(p, d) for p, d in objects)
        return b"VCHMOBJ1" + body + b"E" + struct.pack("<QQ", len(objects),
                                                        sum(len(d) for _, d in objects))

    system = struct.pack("<I", 3)  # version
    for code, value in [(0, b"toc.hhc\x00"), (1, b"idx.hhk\x00"), (2, b"start.htm\x00"),
                        (3, b"Fuzz help\x00")]:
        system += struct.pack("<HH", code, len(value)) + value
    toc = (b'<UL><LI><OBJECT type="text/sitemap"><param name="Name" value="Start">'
           b'<param name="Local" value="start.htm"></OBJECT><UL><LI><OBJECT type="text/sitemap">'
           b'<param name="Name" value="Deeper"><param name="Local" value="ms-its:x.chm::/a\\b.htm#c">'
           b"</OBJECT></UL></UL>")
    put("chm_stream", "small", stream([(b"/#SYSTEM", system), (b"/toc.hhc", toc),
                                       (b"/idx.hhk", toc.replace(b"Start", b"Moon")),
                                       (b"/start.htm", b"<html>start</html>")]))
    put("chm_stream", "empty-archive", stream([]))
    put("chm_stream", "cut-short", stream([(b"/a.htm", b"abc")])[:-3])


def sunmoon_seeds():
    def call(mode, y, mo, d, h, mi, s, height, lat, lon, body, flag=0, extra=0.0):
        return bytes([mode]) + struct.pack("<6H3dBBd", y, mo, d, h, mi, s, height, lat, lon, flag,
                                           body, extra)
    put("sunmoon", "moon-berlin", call(1, 2026, 12, 9, 12, 0, 0, 40, 52.5, 13.4, 0))
    put("sunmoon", "sun-johannesburg", call(1, 2026, 12, 9, 8, 30, 15, 1753, -26.2, 27.97, 1))
    put("sunmoon", "leap-second", call(1, 2016, 12, 31, 23, 59, 60, 0, 0, 0, 1))
    put("sunmoon", "no-leap-second", call(1, 2026, 6, 30, 23, 59, 60, 0, 0, 0, 1))
    put("sunmoon", "pole", call(1, 2000, 1, 1, 0, 0, 0, 0, 90, 360, 0))
    put("sunmoon", "29-february-1900", call(1, 1900, 2, 29, 0, 0, 0, 0, 0, 0, 0))
    put("sunmoon", "year-2100-end", call(1, 2100, 12, 31, 23, 59, 59, 100000, -90, -360, 1))
    put("sunmoon", "nan-height", call(1, 2026, 1, 1, 0, 0, 0, float("nan"), 0, 0, 0))
    put("sunmoon", "bad-body", call(1, 2026, 1, 1, 0, 0, 0, 0, 0, 0, 2))
    put("sunmoon", "folded", call(0, 12345, 7, 40, 99, 99, 99, 1e9, -1e5, 7e3, 9))


def argument_seeds():
    def args(*a):
        return "\x00".join(a)
    put("table_args", "dates", args("--start", "2026-12-09", "--end=2026-12-10", "--interval",
                                     "60", "--format", "text"))
    put("table_args", "station", args("--lat=52.5", "--lon", "-13", "--height", "40",
                                       "--utc-offset=-3.5", "--mode", "polar", "--source", "user",
                                       "--user-ra", "5.5", "--user-dec=-20", "--user-name",
                                       "My source name too long"))
    put("table_args", "pick", args("--pick", "snr:3", "--user-name=Renamed", "--dst",
                                    "--precise"))
    put("table_args", "observing", args("--apparent", "--refraction", "1013,10,50",
                                         "--frequency=1420"))
    put("table_args", "refraction-without-frequency", args("--refraction=1013,10,50"))
    put("table_args", "help", args("--help"))
    put("table_args", "data", args("--data", "/nonexistent/Vantrel.dat"))
    put("table_args", "terminal-control", args("--mode", "\x1b]0;owned\x07\n\r\x7f\xc2\x9b"))
    put("table_args", "bad-date", args("--start", "2026-02-29", "--interval=0"))
    put("table_args", "huge-interval", args("--interval", "99999999999999999999"))

    put("now_args", "apparent", args("--apparent"))
    put("now_args", "refraction", args("--refraction=1013.25,10,50", "--frequency", "10368"))
    put("now_args", "missing-frequency", args("--refraction", "1013,10,50"))
    put("now_args", "unexpected", args("--lat", "52\x1b[2J"))
    put("now_args", "no-value", args("--frequency"))

    put("noise_args", "dish-sun", args("--frequency", "10368", "--dish", "3", "--efficiency",
                                        "0.55", "--tsys", "100", "--solar-flux", "70"))
    put("noise_args", "gain-table", args("--frequency=1296", "--gain=20", "--tsys=80",
                                          "--solar-flux-table", "1415:72,2695:95",
                                          "--time", "2026-12-09T21:30"))
    put("noise_args", "measured", args("--frequency", "1296", "--gain", "20", "--tsys", "80",
                                        "--measured-y", "3.2", "--source", "Cassiopeia-A",
                                        "--lat", "52", "--lon", "13", "--height", "40",
                                        "--moon-temperature", "230", "--format", "text"))
    put("noise_args", "bad-numbers", args("--frequency", "nan", "--dish", "-3", "--efficiency",
                                           "1.5", "--measured-y", "0"))
    put("noise_args", "unknown", args("--bogus\x1b[31m", "x"))

    put("eme_args", "moment", args("--dx", "EM13qc", "--frequency", "1296", "--time",
                                    "2026-03-21T20:00:30Z", "--lat=52.5", "--lon", "13.4",
                                    "--height", "40"))
    put("eme_args", "range", args("--dx-lat", "-33.9", "--dx-lon=151.2", "--dx-height", "60",
                                   "--start", "2026-03-21", "--end=2026-03-23", "--interval",
                                   "10", "--refraction", "1013,10,50", "--frequency", "10368"))
    put("eme_args", "windows", args("--windows", "--min-elevation", "5,10", "--dx", "jo62",
                                     "--apparent", "--iers", "finals2000A.all"))
    put("eme_args", "refusals", args("--dx", "EM13", "--dx-lat", "1", "--time",
                                      "2026-03-21 20:00", "--start", "2026-02-30"))
    put("eme_args", "hostile", args("--dx", "\x1b]0;owned\x07", "--min-elevation", "nan,1e400",
                                     "--time=2101-01-01T00:00:60"))

    put("power_args", "sdr", args("--input", "sdr", "--device", "driver=rtlsdr", "--frequency",
                                  "1296", "--rate", "2400000", "--gain", "30", "--bins", "4096",
                                  "--band", "-500000:500000", "--tau", "2", "--duration", "60"))
    put("power_args", "audio", args("--input=audio", "--device", "default", "--rate", "48000",
                                    "--channel", "2", "--band", "300:2700", "--data-home"))
    put("power_args", "command", args("--input", "command", "--command", "meter.sh", "--unit",
                                      "dbm", "--column", "3", "--tau", "0.1"))
    put("power_args", "rig", args("--input", "rig", "--rig-model", "2", "--device",
                                  "localhost:4532", "--data", "Vantrel.dat"))
    put("power_args", "hostile", args("--input", "sdr", "--tau", "1e999", "--band", "5:-5",
                                      "--column", "\x1b[2J", "--channel", "0"))
    put("scan_args", "y", args("--procedure", "y", "--source", "sun", "--lat", "52.5", "--lon",
                               "13.4", "--rotator", "2", "--device", "localhost:4533",
                               "--input", "sdr", "--input-device", "driver=vantrelsim",
                               "--frequency", "1296", "--hpbw", "1.8", "--pairs", "4",
                               "--off-beams", "4", "--flux-sfu", "120"))
    put("scan_args", "cross", args("--procedure=cross", "--source", "Cassiopeia-A", "--dish",
                                   "3", "--efficiency", "0.55", "--span", "3", "--points", "15",
                                   "--offset", "1.5,-0.3", "--input", "audio", "--tau", "1"))
    put("scan_args", "drift", args("--procedure", "drift", "--source", "moon", "--settle", "5",
                                   "--input", "command", "--command", "meter.sh", "--unit", "db"))
    put("scan_args", "hostile", args("--procedure", "z", "--source", "\x1b]0;x\x07", "--pairs",
                                     "0", "--hpbw", "nan", "--offset", "1e400,"))


def log_seeds():
    header = ("utc,source,elevation_deg,frequency_mhz,antenna,tsys_k,solar_flux_sfu,"
              "measured_y_db,g_over_t_db_per_k")
    lines = [header,
             "2026-12-09T21:10:00Z,Cassiopeia-A,45.5,1296,gain 20 dBi,80,,3.2,-1.5",
             '2026-12-09T21:11:00Z,Sun,20.25,10368,"dish 3 m, efficiency 0.55",100,70,12.5,20.1',
             '2026-12-09T21:12:00Z,"Odd ""quoted"" source",1,2,x,3,,4,5',
             "2026-12-09T21:13:00Z,Moon,1,2,x,3",
             '2026-12-09T21:14:00Z,"unterminated,1,2,x,3,,4,5',
             "2026-12-09T21:15:00Z,Moon,one,2,x,3,,4,5",
             "",
             "2026-12-09T21:16:00Z,Moon,1,2,x,3,nan,4,5\r"]
    put("measurement_log", "log.csv", "\x00" + "\n".join(lines) + "\n")
    put("measurement_log", "crlf.csv", "\x00" + "\r\n".join(lines[:3]) + "\r\n")
    put("measurement_log", "write", b"\x01" + bytes([5]) + b"2026Z" + bytes([3]) + b"Sun" +
        bytes([4]) + b'a,"b' + struct.pack("<3d", 12.5, 1296, 80) + b"\x01" +
        struct.pack("<3d", 70, 3.2, -1.5))


def radiometer_seeds():
    lines = [(0, 1, "-45.3"), (1, 1, "+3"), (0, 3, "2024-01-01 12:00:00, -60.25 ; x"),
             (2, 2, "12:00:00\t1.5e-9\r"), (3, 1, "0.25"), (0, 1, ""), (0, 1, "# header"),
             (0, 1, "12:00:00 -45"), (0, 2, "-45"), (0, 1, "-45dBm"), (0, 1, "nan"),
             (0, 1, "1e999"), (1, 1, "1001"), (2, 1, "0"), (3, 1, "-1e-3"), (2, 1, "1e308"),
             (2, 1, "4.9e-324"), (0, 8, "a b c d e f g -1")]
    for i, (unit, column, line) in enumerate(lines):
        put("reading_line", "%02d" % i, bytes([unit, column - 1]) + line.encode())
    header = ("utc_start,utc_end,input,frequency_mhz,power_db,sigma_db,samples,clipped,"
              "rfi_dropped,source,azimuth_deg,elevation_deg,mark")
    good = ("2025-12-09T12:00:00.000Z,2025-12-09T12:00:01.000Z,sdr,1296.500000,-31.235,0.0123,"
            "2400000,3,0.0125,\"sun, the \"\"quiet\"\" one\",180.26,45.50,on")
    log = [header, good, good + ",later,columns",
           "2025-12-09T12:00:00.000Z,2025-12-09T12:00:01.000Z,audio,,-20.000,,48000,0,0.0000,,,,",
           "2025-12-09T12:00:01.000Z,2025-12", "a,b,sdr,,-1,,-5,0,0,,,,", "a,b,sdr,,-1,,5,0,1.5,,,,",
           "a,b,sdr,,-1,,5,0,0,,,,maybe", 'a,b,"sdr,,-1,,5,0,0,,,,', "a,b,sdr,,1e308,,5,0,0,,-0,,off"]
    put("power_log", "log.csv", "\x00" + "\n".join(log) + "\n")
    put("power_log", "crlf.csv", "\x00" + "\r\n".join(log[:4]) + "\r\n")
    put("power_log", "write", b"\x01" + struct.pack("<5d", 46000.5, 46000.50001, -31.23456, 0.0123,
                                                      0)[:-8] + struct.pack("<d", 0.0123) +
        struct.pack("<QQ", 2400000, 3) + struct.pack("<d", 0.0125) + b"\x01" + bytes([3]) +
        b"sun" + struct.pack("<2d", 180.256, 45.5) + bytes([3]) + b"sdr" +
        struct.pack("<d", 1296.5) + b"\x01")


def scan_log_seeds():
    header = ("utc,procedure,source,frequency_mhz,elevation_deg,az_offset_deg,"
              "az_offset_sigma_deg,el_offset_deg,el_offset_sigma_deg,hpbw_az_deg,hpbw_el_deg,"
              "peak_y_db,fit_chi2_az,fit_chi2_el,peak_time_utc,status")
    cross = ("2026-12-10T12:00:00Z,cross,\"Cassiopeia-A, \"\"the\"\" remnant\",1420.405,45.25,"
             "-0.351,0.012,0.25,0.011,1.81,1.79,6.991,0.97,1.23,,")
    drift = "2026-12-10T12:10:00Z,drift,Sun,10368,45,-0.35,0.01,,,1.8,,7.2,1.1,,2026-12-10T12:09:31.5Z,partial"
    log = [header, cross, drift, cross + ",later", "2026-12-10T12:00:00Z,cross,Sun,abc" + "," * 12,
           "x,cross", '"open,quote' + "," * 15, "", ",cross,Sun" + "," * 13,
           "t,cross,Sun,1e309" + "," * 12, "t,cross,Sun,-0,,,,,,,,,,,, partial \r"]
    put("scan_log", "log.csv", "\x00" + "\n".join(log) + "\n")
    put("scan_log", "crlf.csv", "\x00" + "\r\n".join(log[:3]) + "\r\n")
    numbers = b"".join(b"\x01" + struct.pack("<d", v) for v in
                       (1420.405, 45.25, -0.35149, 0.0123, 0.2505, 0.011, 1.8049, 1.79, 6.9914,
                        0.974, 1.235))
    put("scan_log", "write", b"\x01" + bytes([20]) + b"2026-12-10T12:00:00Z" + bytes([5]) +
        b"cross" + bytes([6]) + b'Cas, "' + numbers + bytes([0]) + b"\x01")


def vanset_seeds():
    values = [(0, "1013.25"), (1, "-5"), (2, " 50 "), (3, "1420"), (3, "1e3"), (0, "nan"),
              (0, "inf"), (1, "-inf"), (0, "1e309"), (0, "-0"), (2, "100.0000000001"),
              (3, "0x10"), (3, ""), (3, "1420 MHz"), (4, "10368"), (5, "3"), (6, "0.55"),
              (6, "1.0000001"), (7, "20"), (8, "100"), (9, "230"), (5, "-3"), (6, "0"),
              (10, "70"), (10, "1415:72,2695:95"), (10, "1415:72,1415:80"), (10, ":"),
              (10, "1415:-72"), (10, "0:70"), (10, "1e308:1e308,1e-308:1e-308"),
              (10, "245:12,410:25,610:37,1415:72,2695:95,4995:130,8800:220,15400:400"),
              (1, "99999999999"), (1, "-2147483648")]
    for i, (key, text) in enumerate(values):
        put("vanset_values", "%02d-key%d" % (i, key), bytes([key]) + text.encode())


if __name__ == "__main__":
    station_seeds()
    locator_seeds()
    dms_seeds()
    help_seeds()
    sunmoon_seeds()
    argument_seeds()
    log_seeds()
    radiometer_seeds()
    scan_log_seeds()
    vanset_seeds()
