#include "tools/EmeOptions.h"

#include "eme/EmeBeam.h"
#include "eme/SkyDegradation.h"
#include "planner/PlanningSweep.h"
#include "station/StationCheck.h"
#include "tools/ArgumentNumbers.h"
#include "tools/CommandLineFlag.h"
#include "tools/CommonFlags.h"
#include "tools/DateArguments.h"
#include "tools/NoiseOptions.h"
#include "tools/TableOptions.h"
#include "tools/TerminalText.h"

#include <algorithm>
#include <cmath>
#include <iterator>

namespace vantrel {

namespace {

constexpr std::string_view kUsage =
    "usage: vantrel-eme [--data FILE | --data-home[=FOLDER]] [--lat DEG] [--lon DEG]\n"
    "                   [--height M]\n"
    "                   [--dx STATION | --dx-lat DEG --dx-lon DEG [--dx-height M]]\n"
    "                   [--frequency MHZ] [--time UTC]\n"
    "                   [--start YYYY-MM-DD --end YYYY-MM-DD --interval MIN]\n"
    "                   [--windows [--min-elevation DEG[,DEG]]]\n"
    "                   [--apparent] [--refraction P,T,RH] [--iers FILE]\n"
    "                   [--hpbw DEG[,DEG]] [--receiver-k K] [--perigee]\n"
    "       vantrel-eme --follow --rig-model N [--rig-device DEV] --doppler own|dx\n"
    "                   --frequency MHZ [--dx ...] [--update S]\n"
    "                   [--period S[,rx-first|tx-first]] [--dead-band HZ]\n"
    "\n"
    "Prints what an Earth-Moon-Earth contact needs as CSV: the Moon's azimuth and\n"
    "elevation, its distance, the echo's delay and Doppler shift, the two-way\n"
    "path loss and its change against a close perigee (356 500 km) and, with a\n"
    "DX station, the Moon's azimuth and elevation there, the Doppler shift of the\n"
    "DX signal heard at home and the spatial polarisation offset; then the sky\n"
    "temperature behind the Moon through each station's beam, the degradation\n"
    "DGRD against the Moon at 356 500 km on cold sky, the Sun-Moon angle, the\n"
    "Doppler rates (Hz a minute) and the echo's Doppler spread. At one instant\n"
    "(--time, default now) or every --interval minutes from --start 00:00 to the\n"
    "end of --end (UTC days; --end defaults to --start).\n"
    "\n"
    "With --windows it prints the common Moon windows instead: when the Moon\n"
    "stands above both stations' minimum elevations (--min-elevation HOME,DX, or\n"
    "one value for both; default 0), with the highest elevation at each end; over\n"
    "--start to --end (at most 10 years), else the 7 days from --time or now. The\n"
    "Moon is looked at every 5 minutes (every --interval minutes when shorter), so\n"
    "no window of 5 minutes or more is lost, and each edge placed to the second.\n"
    "\n"
    "  --dx STATION        the DX station as the EME window takes it: a Maidenhead\n"
    "                      locator (4 or 6 characters) or LAT,LON[,HEIGHT M], a\n"
    "                      call sign and a blank before it if you like\n"
    "                      (\"W5LUA EM13qc\", \"91,10\" is latitude 91: refused)\n"
    "  --dx-lat, --dx-lon  or its latitude and longitude, degrees (north and east\n"
    "                      positive), and --dx-height its height in metres\n"
    "  --frequency MHZ     the frequency of the Doppler shifts and the path loss\n"
    "                      (default 1420, the planner's)\n"
    "  --time UTC          YYYY-MM-DDTHH:MM[:SS]\n"
    "  --interval MIN      default: the station file's planning interval\n"
    "  --apparent          accepted as for vantrel-table (the Moon's place is\n"
    "                      always its apparent place of date)\n"
    "  --refraction P,T,RH refracted elevations (pressure hPa, temperature C,\n"
    "                      humidity %), also for the windows\n"
    "  --hpbw DEG[,DEG]    half-power beamwidth at home and the DX station (one\n"
    "                      value for both), degrees, 0.05 to 120; default 70\n"
    "                      lambda/D of a 3 m dish, the Measure window's\n"
    "  --receiver-k K      receiver temperature of DGRD, kelvin (default 80):\n"
    "                      DGRD = -10 log10((Tsky+Tr)/(Tsky,min+Tr))\n"
    "                             - 40 log10(d/356500 km),\n"
    "                      Tsky,min = 13 K (f/408 MHz)^-2.6\n"
    "  --perigee           print the Moon's next perigee and apogee after\n"
    "                      --time (or now) instead\n"
    "  --follow            tune the rig to the sked frequency (--frequency) plus\n"
    "                      the Doppler shift of one's own echo (--doppler own) or\n"
    "                      of the DX station's signal (--doppler dx, needs --dx)\n"
    "                      until interrupted, then back to the sked frequency;\n"
    "                      one line per correction:\n"
    "                      utc,doppler_hz,set_hz,read_back_hz\n"
    "  --rig-model N       Hamlib rig model ('rigctl -l'; 2 is rigctld)\n"
    "  --rig-device DEV    serial port, or HOST:PORT of rigctld for model 2\n"
    "  --update S          seconds between corrections, 1 to 3600 (default 10)\n"
    "  --period S[,tx-first]  a transmit/receive cycle of S whole seconds (4 to\n"
    "                      3600) from 00:00 UTC: corrections only in its receive\n"
    "                      half (the first half by default, the second with\n"
    "                      tx-first), not in its last 0.5 s\n"
    "  --dead-band HZ      no correction smaller than this, Hz, 0 to 1000;\n"
    "                      default max(1, f/1 GHz): 1 Hz at 144 MHz, 10 Hz at\n"
    "                      10 GHz\n"
    "  --iers FILE         UT1-UTC from this IERS finals2000A file; without it\n"
    "                      from the first finals2000A.all, .daily or .data found\n"
    "                      as the station file is, else UT1 = UTC\n"
    "\n"
    "The station is read from ./Vantrel.dat, else from the planner's data folder\n"
    "($XDG_DATA_HOME/vantrel, by default ~/.local/share/vantrel); --data FILE\n"
    "reads FILE, --data-home[=FOLDER] that folder only. Dates are UTC from\n"
    "1900-01-01 to 2100-12-31, the span of the Sun and Moon positions.\n";

/// A number of the C locale within [lo, hi] as a double.
std::optional<double> Ranged(std::string_view text, double lo, double hi) {
    const auto v = ParseRealArgument(text, lo, hi);
    if (!v) {
        return std::nullopt;
    }
    return static_cast<double>(*v);
}

/// Applies one of the rig's and the following's options; the refusal or
/// nothing.
std::optional<std::string> ApplyFollowFlag(std::string_view flag, const std::string& v,
                                           EmeCommandLine& o) {
    if (flag == "--rig-model") {
        const auto n = ParseWholeArgument(v);
        constexpr long long kHighestModel = 1000000;
        if (!n || *n < 1 || *n > kHighestModel) {
            return "--rig-model: '" + v + "' is not a Hamlib rig model number ('rigctl -l')";
        }
        o.RigModel = static_cast<int>(*n);
    } else if (flag == "--rig-device") {
        if (v.empty()) {
            return std::string("--rig-device needs a value (try --help)");
        }
        o.RigDevice = v;
    } else if (flag == "--doppler") {
        if (v == "own") {
            o.Doppler = eme::DopplerToFollow::OwnEcho;
        } else if (v == "dx") {
            o.Doppler = eme::DopplerToFollow::Dx;
        } else {
            return "--doppler: '" + v + "' is neither own nor dx";
        }
    } else if (flag == "--update") {
        const auto s = Ranged(v, eme::kShortestDopplerUpdateS, eme::kLongestDopplerUpdateS);
        if (!s) {
            return "--update: '" + v + "' is not a number of seconds, 1 to 3600";
        }
        o.UpdateS = *s;
    } else if (flag == "--dead-band") {
        constexpr double kWidestDeadBandHz = 1000;
        const auto hz = Ranged(v, 0, kWidestDeadBandHz);
        if (!hz) {
            return "--dead-band: '" + v + "' is not a number of Hz, 0 to 1000";
        }
        o.DeadBandHz = *hz;
    } else { // --period
        const std::size_t comma = v.find(',');
        const std::string length = v.substr(0, comma);
        const std::string order = comma == std::string::npos ? "rx-first" : v.substr(comma + 1);
        const auto s = ParseWholeArgument(length);
        if (!s || *s < eme::kShortestDopplerPeriodS || *s > eme::kLongestDopplerPeriodS ||
            length.starts_with('+') || (order != "rx-first" && order != "tx-first")) {
            return "--period: '" + v + "' is not S[,rx-first|tx-first], whole seconds 4 to 3600";
        }
        o.Period.LengthS = static_cast<int>(*s);
        o.Period.TransmitFirst = order == "tx-first";
    }
    return std::nullopt;
}

} // namespace

std::string_view EmeUsage() {
    return kUsage;
}

std::optional<DateTime> ParseIsoInstant(std::string_view text) {
    if (text.ends_with('Z')) {
        text.remove_suffix(1);
    }
    constexpr std::size_t kMinuteLength = 16; // YYYY-MM-DDTHH:MM
    constexpr std::size_t kSecondLength = 19; // YYYY-MM-DDTHH:MM:SS
    if (text.size() != kMinuteLength && text.size() != kSecondLength) {
        return std::nullopt;
    }
    std::string minute(text.substr(0, kMinuteLength));
    if (minute[10] == ' ') {
        minute[10] = 'T';
    }
    const auto at = ParseIsoMinute(minute);
    if (!at) {
        return std::nullopt;
    }
    if (text.size() == kMinuteLength) {
        return at;
    }
    const std::string_view seconds = text.substr(kMinuteLength + 1, 2);
    const auto s = ParseWholeArgument(seconds);
    if (text[kMinuteLength] != ':' || !s || *s < 0 || *s > 59 || seconds[0] == '+' ||
        seconds[0] == '-') {
        return std::nullopt;
    }
    constexpr double kSecondsPerDay = 86400.0;
    return *at + static_cast<double>(*s) / kSecondsPerDay;
}

ParsedEme ParseEmeArguments(std::span<const std::string_view> args, HomeStation& station) {
    ParsedEme result;
    EmeCommandLine& o = result.Options;
    const auto fail = [&](const std::string& message) {
        result.Error = "vantrel-eme: " + TerminalSafe(message);
        return result;
    };
    std::optional<std::string> dxText;
    std::optional<double> dxLat;
    std::optional<double> dxLon;
    std::optional<double> dxHeight;
    bool minElevationGiven = false;
    std::string followFlag; // the last of the following's options given

    for (std::size_t i = 0; i < args.size(); ++i) {
        const CommandLineFlag split = CommandLineFlag::Of(args[i]);
        const std::string_view flag = split.Flag;
        const std::optional<std::string_view>& inlineValue = split.InlineValue;
        const auto value = [&] { return split.Value(args, i); };

        const CommonFlag common = ApplyCommonFlag(split, args, i, {o.Observing, o.Files, o.Help});
        if (common.Refused) {
            return fail(*common.Refused);
        }
        if (common.Taken) {
            continue;
        }
        if (flag == "--windows" || flag == "--perigee" || flag == "--follow") {
            if (inlineValue) {
                return fail(std::string(flag) + " takes no value");
            }
            (flag == "--windows" ? o.Windows : flag == "--perigee" ? o.Perigee : o.Follow) = true;
            continue;
        }
        static constexpr std::string_view kValued[] = {
            "--lat",        "--lon",           "--height", "--dx",         "--dx-lat",
            "--dx-lon",     "--dx-height",     "--time",   "--start",      "--end",
            "--interval",   "--min-elevation", "--hpbw",   "--receiver-k", "--rig-model",
            "--rig-device", "--doppler",       "--update", "--period",     "--dead-band"};
        if (std::find(std::begin(kValued), std::end(kValued), flag) == std::end(kValued)) {
            return fail("unknown option '" + std::string(args[i]) + "' (try --help)");
        }
        const auto text = value();
        if (!text) {
            return fail(std::string(flag) + " needs a value (try --help)");
        }
        const std::string v(*text);
        namespace r = station_range;
        struct Real {
            std::string_view Flag;
            StationRange Range;
            std::string_view What;
        };
        static constexpr Real kReals[] = {
            {"--lat", r::kLatitudeDeg, "a latitude in degrees, -90 to 90"},
            {"--lon", r::kLongitudeDeg, "a longitude in degrees, -180 to 180"},
            {"--height", r::kHeightM, "a height in metres, -11000 to 100000"},
            {"--dx-lat", r::kLatitudeDeg, "a latitude in degrees, -90 to 90"},
            {"--dx-lon", r::kLongitudeDeg, "a longitude in degrees, -180 to 180"},
            {"--dx-height", r::kHeightM, "a height in metres, -11000 to 100000"},
        };
        bool real = false;
        for (const Real& f : kReals) {
            if (flag != f.Flag) {
                continue;
            }
            const auto n =
                Ranged(v, static_cast<double>(f.Range.Lo), static_cast<double>(f.Range.Hi));
            if (!n) {
                return fail(std::string(flag) + ": '" + v + "' is not " + std::string(f.What));
            }
            if (flag == "--lat") {
                station.Latitude = *n;
            } else if (flag == "--lon") {
                station.Longitude = *n;
            } else if (flag == "--height") {
                station.HeightAsl = *n;
            } else if (flag == "--dx-lat") {
                dxLat = n;
            } else if (flag == "--dx-lon") {
                dxLon = n;
            } else {
                dxHeight = n;
            }
            real = true;
        }
        if (real) {
            continue;
        }
        if (flag == "--dx") {
            // What the EME window's DX box takes: a locator or
            // latitude,longitude[,height], a call sign before it if one likes.
            const eme::DxParse p = eme::ParseDxStation(v);
            if (!p.Station) {
                return fail("--dx: '" + v + "' is not a DX station: " + p.Problem);
            }
            dxText = v;
        } else if (flag == "--time") {
            const auto at = ParseIsoInstant(v);
            if (!at) {
                return fail("--time: '" + v + "' is not a UTC instant YYYY-MM-DDTHH:MM[:SS]");
            }
            if (auto beyond = DateBeyondEphemeris(flag, v, *at)) {
                return fail(*beyond);
            }
            o.Time = *at;
        } else if (flag == "--start" || flag == "--end") {
            if (auto refused = ApplyDayArgument(flag, v, flag == "--start" ? o.Start : o.End)) {
                return fail(*refused);
            }
        } else if (flag == "--interval") {
            if (auto refused = ApplyIntervalArgument(v, station.CalcInterval)) {
                return fail(*refused);
            }
            o.IntervalGiven = true;
        } else if (flag == "--rig-model" || flag == "--rig-device" || flag == "--doppler" ||
                   flag == "--update" || flag == "--period" || flag == "--dead-band") {
            if (auto refused = ApplyFollowFlag(flag, v, o)) {
                return fail(*refused);
            }
            followFlag = std::string(flag);
        } else if (flag == "--receiver-k") {
            const auto k = Ranged(v, eme::kLowestReceiverK, eme::kHighestReceiverK);
            if (!k) {
                return fail("--receiver-k: '" + v + "' is not a temperature in kelvin, 1 to 10000");
            }
            o.ReceiverK = *k;
        } else if (flag == "--hpbw") {
            const std::size_t comma = v.find(',');
            const auto home = Ranged(std::string_view(v).substr(0, comma), eme::kLowestHpbwDeg,
                                     eme::kHighestHpbwDeg);
            const auto dx = comma == std::string::npos
                                ? home
                                : Ranged(std::string_view(v).substr(comma + 1), eme::kLowestHpbwDeg,
                                         eme::kHighestHpbwDeg);
            if (!home || !dx) {
                return fail("--hpbw: '" + v + "' is not DEG or HOME,DX in degrees, 0.05 to 120");
            }
            o.HomeHpbwDeg = *home;
            o.DxHpbwDeg = *dx;
        } else { // --min-elevation
            const std::size_t comma = v.find(',');
            const auto home = Ranged(std::string_view(v).substr(0, comma),
                                     eme::kLowestMinElevationDeg, eme::kHighestMinElevationDeg);
            const auto dx = comma == std::string::npos
                                ? home
                                : Ranged(std::string_view(v).substr(comma + 1),
                                         eme::kLowestMinElevationDeg, eme::kHighestMinElevationDeg);
            if (!home || !dx) {
                return fail("--min-elevation: '" + v +
                            "' is not DEG or HOME,DX in degrees, -5 to 90");
            }
            o.HomeMinElevationDeg = *home;
            o.DxMinElevationDeg = *dx;
            minElevationGiven = true;
        }
    }
    if (o.Help) {
        return result;
    }
    if (dxText && (dxLat || dxLon || dxHeight)) {
        return fail("give the DX station either with --dx LOCATOR or with --dx-lat and "
                    "--dx-lon, not both");
    }
    if (dxLat.has_value() != dxLon.has_value()) {
        return fail("--dx-lat and --dx-lon go together");
    }
    if (dxHeight && !dxLat) {
        return fail("--dx-height needs --dx-lat and --dx-lon");
    }
    if (dxText) {
        o.Dx = eme::ParseDxStation(*dxText).Station;
    } else if (dxLat) {
        eme::DxStation dx;
        dx.Site = {*dxLat, *dxLon, dxHeight.value_or(0.0)};
        o.Dx = dx;
    }
    if (o.Time && o.HasRange()) {
        return fail("give either --time or --start/--end, not both");
    }
    if (o.Start && o.End && *o.End < *o.Start) {
        return fail("--end is before --start");
    }
    if (o.IntervalGiven && !o.HasRange() && !o.Windows) {
        return fail("--interval only matters with --start/--end or --windows");
    }
    if (o.Perigee && (o.Windows || o.HasRange())) {
        return fail("--perigee goes with --time alone, not with --windows or --start/--end");
    }
    if (minElevationGiven && !o.Windows) {
        return fail("--min-elevation only matters with --windows");
    }
    if (auto missing = o.Observing.Missing()) {
        return fail(*missing);
    }
    if (!o.Follow && !followFlag.empty()) {
        return fail(followFlag + " only matters with --follow");
    }
    if (o.Follow) {
        if (o.Windows || o.Perigee || o.HasRange() || o.Time) {
            return fail("--follow runs now, not with --time, --start/--end, --windows or "
                        "--perigee");
        }
        if (!o.RigModel) {
            return fail("--follow needs --rig-model (2 for rigctld; 'rigctl -l' lists them)");
        }
        if (!o.Doppler) {
            return fail("--follow needs --doppler own or --doppler dx");
        }
        if (!o.Observing.FrequencyGiven) {
            return fail("--follow needs the sked frequency as --frequency MHZ");
        }
        if (*o.Doppler == eme::DopplerToFollow::Dx && !o.Dx) {
            return fail("--doppler dx needs the DX station (--dx, or --dx-lat and --dx-lon)");
        }
    }
    return result;
}

} // namespace vantrel
