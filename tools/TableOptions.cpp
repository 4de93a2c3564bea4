#include "tools/TableOptions.h"

#include "planner/PlanningSweep.h"
#include "station/StationCheck.h"
#include "tools/ArgumentNumbers.h"
#include "tools/CommandLineFlag.h"
#include "tools/PickArgument.h"
#include "tools/TerminalText.h"

#include <cmath>
#include <functional>
#include <limits>

namespace vantrel {

namespace {

constexpr std::string_view kUsage =
    "usage: vantrel-table [--data FILE] [--lat DEG] [--lon DEG] [--height M]\n"
    "                     [--utc-offset H] [--dst | --no-dst]\n"
    "                     [--start YYYY-MM-DD] [--end YYYY-MM-DD] [--interval MIN]\n"
    "                     [--mode azel|polar] [--source cas|cen|user]\n"
    "                     [--user-name NAME] [--user-ra HOURS] [--user-dec DEG]\n"
    "                     [--pick snr:N|galaxy:N|nebula:N] [--format csv|text] [--precise]\n"
    "                     [--apparent] [--refraction P,T,RH --frequency MHZ]\n"
    "\n"
    "Prints the planning table for the station in ./Vantrel.dat (or FILE), with\n"
    "the given overrides; the data file is never written. Latitude north and\n"
    "longitude east are positive; the UTC offset is local time minus UTC in hours.\n"
    "Without --dst or --no-dst each row's local time follows the time zone rules.\n"
    "--apparent shows the fixed sources at their apparent places of date;\n"
    "--refraction refracts every elevation for the pressure (hPa), temperature\n"
    "(degrees C) and relative humidity (%) given, at the observing frequency.\n";

bool IsLeap(long long y) {
    return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
}

} // namespace

std::string_view TableUsage() {
    return kUsage;
}

std::optional<DateTime> ParseIsoDate(std::string_view text) {
    constexpr std::size_t kLength = 10; // YYYY-MM-DD
    if (text.size() != kLength || text[4] != '-' || text[7] != '-') {
        return std::nullopt;
    }
    const auto y = ParseWholeArgument(text.substr(0, 4));
    const auto m = ParseWholeArgument(text.substr(5, 2));
    const auto d = ParseWholeArgument(text.substr(8, 2));
    if (!y || !m || !d || *y < 1 || *m < 1 || *m > 12 || *d < 1) {
        return std::nullopt;
    }
    static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const int length = kDays[*m - 1] + (*m == 2 && IsLeap(*y) ? 1 : 0);
    if (*d > length) {
        return std::nullopt;
    }
    return EncodeDate(static_cast<int>(*y), static_cast<int>(*m), static_cast<int>(*d));
}

ParsedTable ParseTableArguments(std::span<const std::string_view> args, HomeStation& station) {
    ParsedTable result;
    TableOptions& o = result.Options;
    // Messages quote what was typed: escaped, so that a line break or a
    // terminal control in an argument cannot split or hijack the line.
    const auto fail = [&](const std::string& message) {
        result.Error = "vantrel-table: " + TerminalSafe(message);
        return result;
    };

    for (std::size_t i = 0; i < args.size(); ++i) {
        const auto [flag, inlineValue] = CommandLineFlag::Of(args[i]);
        const auto value = [&]() -> std::optional<std::string_view> {
            if (inlineValue) {
                return inlineValue;
            }
            if (i + 1 < args.size()) {
                return args[++i];
            }
            return std::nullopt;
        };
        const auto takesNoValue = [&] { return !inlineValue.has_value(); };

        if (flag == "--help" || flag == "-h") {
            o.Help = true;
            continue;
        }
        if (ObservingArguments::Owns(flag)) {
            const std::optional<std::string_view> given =
                ObservingArguments::TakesValue(flag) ? value() : inlineValue;
            if (auto refused = o.Observing.Apply(flag, given)) {
                return fail(*refused);
            }
            continue;
        }
        if (flag == "--dst" || flag == "--no-dst" || flag == "--precise") {
            if (!takesNoValue()) {
                return fail(std::string(flag) + " takes no value");
            }
            if (flag == "--precise") {
                o.Precise = true;
            } else {
                o.Daylight = flag == "--dst";
            }
            continue;
        }

        struct RealField {
            std::string_view Flag;
            long double* Field;
            long double Lo, Hi;
            std::string_view What;
        };
        // The ranges of the station check, so an override never makes a
        // station the check refuses.
        namespace r = station_range;
        const RealField reals[] = {
            {"--lat", &station.Latitude, r::kLatitudeDeg.Lo, r::kLatitudeDeg.Hi,
             "a latitude in degrees, -90 to 90"},
            {"--lon", &station.Longitude, r::kLongitudeDeg.Lo, r::kLongitudeDeg.Hi,
             "a longitude in degrees, -180 to 180"},
            {"--height", &station.HeightAsl, r::kHeightM.Lo, r::kHeightM.Hi,
             "a height in metres, -11000 to 100000"},
            {"--utc-offset", &station.UtcOffset, r::kUtcOffsetHours.Lo, r::kUtcOffsetHours.Hi,
             "an offset in hours, -23.5 to 23.5"},
            {"--user-ra", &station.UserSourceRa, r::kRightAscensionHours.Lo,
             r::kRightAscensionHours.Hi, "a right ascension in hours, 0 to 24"},
            {"--user-dec", &station.UserSourceDec, r::kDeclinationDeg.Lo, r::kDeclinationDeg.Hi,
             "a declination in degrees, -90 to 90"},
        };
        bool handled = false;
        for (const RealField& f : reals) {
            if (flag == f.Flag) {
                const auto text = value();
                if (!text) {
                    return fail(std::string(flag) + " needs " + std::string(f.What));
                }
                const auto v = ParseRealArgument(*text, f.Lo, f.Hi);
                if (!v) {
                    return fail(std::string(flag) + ": '" + std::string(*text) + "' is not " +
                                std::string(f.What));
                }
                *f.Field = *v;
                handled = true;
            }
        }
        if (handled) {
            continue;
        }

        if (flag != "--data" && flag != "--start" && flag != "--end" && flag != "--interval" &&
            flag != "--mode" && flag != "--source" && flag != "--user-name" && flag != "--pick" &&
            flag != "--format") {
            return fail("unknown option '" + std::string(args[i]) + "' (try --help)");
        }
        const auto text = value();
        if (!text) {
            return fail(std::string(flag) + " needs a value (try --help)");
        }
        const std::string v(*text);
        if (flag == "--data") {
            if (v.empty()) {
                return fail("--data needs a file name");
            }
            o.DataFile = v;
        } else if (flag == "--start" || flag == "--end") {
            const auto date = ParseIsoDate(v);
            if (!date) {
                return fail(std::string(flag) + ": '" + v + "' is not a date YYYY-MM-DD");
            }
            (flag == "--start" ? o.Start : o.End) = *date;
        } else if (flag == "--interval") {
            const auto n = ParseWholeArgument(v);
            if (!n) {
                return fail("--interval: '" + v + "' is not a whole number of minutes");
            }
            if (*n < 1) {
                return fail(std::string(kIntervalTooSmall));
            }
            if (*n > std::numeric_limits<std::int32_t>::max()) {
                return fail("--interval: '" + v + "' is too large");
            }
            station.CalcInterval = static_cast<std::int32_t>(*n);
        } else if (flag == "--mode") {
            if (v != "azel" && v != "polar") {
                return fail("--mode: '" + v + "' is neither azel nor polar");
            }
            station.DisplayMode = v == "azel" ? 0 : 1;
        } else if (flag == "--source") {
            if (v != "cas" && v != "cen" && v != "user") {
                return fail("--source: '" + v + "' is none of cas, cen, user");
            }
            station.SourceOption = v == "cas" ? 0 : v == "cen" ? 1 : 2;
        } else if (flag == "--user-name") {
            station.UserSourceName = v.substr(0, kUserSourceNameCapacity);
        } else if (flag == "--pick") {
            if (auto refused = ApplyPickArgument(v, station)) {
                return fail(*refused);
            }
        } else { // --format
            if (v != "csv" && v != "text") {
                return fail("--format: '" + v + "' is neither csv nor text");
            }
            o.Format = v == "csv" ? TableFormat::Csv : TableFormat::Text;
        }
    }
    if (auto missing = o.Observing.Missing()) {
        return fail(*missing);
    }
    return result;
}

} // namespace vantrel
