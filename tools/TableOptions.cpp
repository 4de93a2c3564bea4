#include "tools/TableOptions.h"

#include "astro/Catalogue.h"
#include "planner/PlanningSweep.h"
#include "station/StationCheck.h"
#include "tools/ArgumentNumbers.h"
#include "tools/CommandLineFlag.h"
#include "tools/CommonFlags.h"
#include "tools/DateArguments.h"
#include "tools/PickArgument.h"
#include "tools/SourceArgument.h"
#include "tools/TerminalText.h"

#include <array>
#include <cmath>
#include <functional>

namespace vantrel {

namespace {

constexpr std::string_view kUsage =
    "usage: vantrel-table [--data FILE | --data-home[=FOLDER]]\n"
    "                     [--lat DEG] [--lon DEG] [--height M] [--utc-offset H]\n"
    "                     [--dst | --no-dst]\n"
    "                     [--start YYYY-MM-DD] [--end YYYY-MM-DD] [--interval MIN]\n"
    "                     [--mode azel|polar] [--source cas|cen|user]\n"
    "                     [--user-name NAME] [--user-ra HOURS] [--user-dec DEG]\n"
    "                     [--pick snr:N|galaxy:N|nebula:N]\n"
    "                     [--format csv|text] [--precise]\n"
    "                     [--apparent [--iers FILE]]\n"
    "                     [--refraction P,T,RH [--frequency MHZ]]\n"
    "\n"
    "Prints the planning table for the station with the given overrides; the\n"
    "station file is never written. The station is read from ./Vantrel.dat, else\n"
    "from the planner's data folder ($XDG_DATA_HOME/vantrel, by default\n"
    "~/.local/share/vantrel), where the planner started from the desktop menu\n"
    "keeps it; --data FILE reads FILE, --data-home[=FOLDER] that folder only.\n"
    "Latitude north and longitude east are positive; the UTC offset is local time\n"
    "minus UTC in hours. Dates are UTC days from 1900-01-01 to 2100-12-31, the\n"
    "span of the Sun and Moon positions. Without --dst or --no-dst each row's\n"
    "local time follows the time zone rules. --source takes the short names or\n"
    "the titles (Cassiopeia-A, Centaurus-A) in any case. NAME is cut to 15\n"
    "characters. --apparent shows the fixed sources at their apparent places of\n"
    "date, with UT1 - UTC from the IERS file of --iers FILE or else from the\n"
    "first finals2000A.all, .daily or .data found as the station file is\n"
    "(UT1 = UTC without one); --refraction refracts every elevation for the\n"
    "pressure (hPa), temperature (degrees C) and relative humidity (%) given;\n"
    "radio refraction does not depend on the frequency (the troposphere above\n"
    "about 1 GHz), so --frequency is taken with it but changes nothing here.\n";

/// The sources of the option column (Cassiopeia A, Centaurus A, the user's).
constexpr std::array<SkySource, 3> kOptionSources{SkySource::CassiopeiaA, SkySource::CentaurusA,
                                                  SkySource::UserDefined};

} // namespace

std::string_view TableUsage() {
    return kUsage;
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
        const CommandLineFlag split = CommandLineFlag::Of(args[i]);
        const std::string_view flag = split.Flag;
        const std::optional<std::string_view>& inlineValue = split.InlineValue;
        const auto value = [&] { return split.Value(args, i); };
        const auto takesNoValue = [&] { return !inlineValue.has_value(); };

        const CommonFlag common = ApplyCommonFlag(split, args, i, {o.Observing, o.Files, o.Help});
        if (common.Refused) {
            return fail(*common.Refused);
        }
        if (common.Taken) {
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

        if (flag != "--start" && flag != "--end" && flag != "--interval" && flag != "--mode" &&
            flag != "--source" && flag != "--user-name" && flag != "--pick" && flag != "--format") {
            return fail("unknown option '" + std::string(args[i]) + "' (try --help)");
        }
        const auto text = value();
        if (!text) {
            return fail(std::string(flag) + " needs a value (try --help)");
        }
        const std::string v(*text);
        if (flag == "--start" || flag == "--end") {
            if (auto refused = ApplyDayArgument(flag, v, flag == "--start" ? o.Start : o.End)) {
                return fail(*refused);
            }
        } else if (flag == "--interval") {
            if (auto refused = ApplyIntervalArgument(v, station.CalcInterval)) {
                return fail(*refused);
            }
        } else if (flag == "--mode") {
            if (v != "azel" && v != "polar") {
                return fail("--mode: '" + v + "' is neither azel nor polar");
            }
            station.DisplayMode = v == "azel" ? 0 : 1;
        } else if (flag == "--source") {
            const SourceArgument read =
                ReadSourceArgument(v, kOptionSources, "is not in the option column");
            if (!read.Source) {
                return fail(read.Error);
            }
            station.SourceOption = static_cast<int>(
                *read.Source == SkySource::CassiopeiaA  ? NoiseSourceOption::CassiopeiaA
                : *read.Source == SkySource::CentaurusA ? NoiseSourceOption::CentaurusA
                                                        : NoiseSourceOption::UserDefined);
        } else if (flag == "--user-name") {
            // A name stands in a table row and a CSV field: no controls, no
            // broken characters, and cut between characters.
            if (!IsPlainUtf8(v)) {
                return fail("--user-name: '" + v +
                            "' holds control characters or is not UTF-8 text");
            }
            station.UserSourceName = std::string(Utf8Prefix(v, kUserSourceNameCapacity));
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
    if (auto unused = o.Observing.Unused()) {
        return fail(*unused);
    }
    if (auto iers = o.Observing.IersUnused()) {
        return fail(*iers);
    }
    return result;
}

} // namespace vantrel
