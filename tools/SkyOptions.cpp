#include "tools/SkyOptions.h"

#include "astro/EphemerisSpan.h"
#include "tools/ArgumentNumbers.h"
#include "tools/CommandLineFlag.h"
#include "tools/CommonFlags.h"
#include "tools/EmeOptions.h"
#include "tools/SourceArgument.h"
#include "tools/TerminalText.h"
#include "tools/ToolStation.h"

#include <algorithm>
#include <iterator>

namespace vantrel {

namespace {

constexpr std::string_view kUsage =
    "usage: vantrel-sky --frequency MHZ --hpbw DEG\n"
    "                   (--ra HOURS --dec DEG | --source KEY [--cold-sky])\n"
    "                   [--time UTC] [--horizon FILE] [--sky-maps FOLDER]\n"
    "                   [--data FILE | --data-home[=FOLDER]] [--lat DEG] [--lon DEG]\n"
    "                   [--height M]\n"
    "\n"
    "Prints the sky's brightness temperature behind a direction or a source as\n"
    "CSV: the 408 MHz survey (Haslam et al. 1982, destriped by Platania et al.\n"
    "2003) scaled to the frequency pixel by pixel with the survey's spectral\n"
    "index, T = 2.725 K + (T408 - 2.725 K) (f / 408 MHz)^-beta, and averaged over\n"
    "a Gaussian beam of half-power width --hpbw. Behind Cassiopeia A, Cygnus A,\n"
    "Taurus A and Virgo A, which the survey holds itself, the ring from 1.5 to 3\n"
    "beamwidths around them. Columns:\n"
    "what,ra_h,dec_deg,az_deg,el_deg,frequency_mhz,hpbw_deg,tsky_k,name,note\n"
    "\n"
    "  --ra, --dec       a direction, J2000 (hours, degrees): the row 'point'\n"
    "  --source KEY      a source at --time (aquarius, leo, cas, cen, user, cyg,\n"
    "                    tau, vir, sgr, moon, sun or a grid title): the row\n"
    "                    'source', its direction seen from the station (J2000)\n"
    "  --cold-sky        and the row 'reference': the coldest point of the\n"
    "                    source's elevation circle at least 2 beamwidths from the\n"
    "                    source, the Sun and the Moon (and above --horizon)\n"
    "  --time UTC        YYYY-MM-DDTHH:MM[:SS]; default now\n"
    "  --horizon FILE    a horizon profile (azimuth,elevation lines) to keep above\n"
    "  --sky-maps FOLDER the folder of the two FITS maps; default the installed\n"
    "\n"
    "The model's limits: the survey's resolution is 0.85 deg and its zero level\n"
    "+-3 K; synchrotron scaling only (no thermal emission, no atmosphere).\n"
    "The station is read as the other tools read it (--data, --data-home).\n";

} // namespace

std::string_view SkyUsage() {
    return kUsage;
}

ParsedSky ParseSkyArguments(std::span<const std::string_view> args, HomeStation& station) {
    ParsedSky result;
    SkyCommandLine& o = result.Options;
    const auto fail = [&](const std::string& message) {
        result.Error = "vantrel-sky: " + TerminalSafe(message);
        return result;
    };
    PositionGiven given;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const CommandLineFlag split = CommandLineFlag::Of(args[i]);
        const std::string_view flag = split.Flag;
        const CommonFlag common = ApplyCommonFlag(split, args, i, {o.Observing, o.Files, o.Help});
        if (common.Refused) {
            return fail(*common.Refused);
        }
        if (common.Taken) {
            continue;
        }
        if (flag == "--cold-sky") {
            if (split.InlineValue) {
                return fail("--cold-sky takes no value");
            }
            o.ColdSky = true;
            continue;
        }
        static constexpr std::string_view kValued[] = {
            "--lat", "--lon",    "--height", "--hpbw",    "--ra",
            "--dec", "--source", "--time",   "--horizon", "--sky-maps"};
        if (std::find(std::begin(kValued), std::end(kValued), flag) == std::end(kValued)) {
            return fail("unknown option '" + std::string(args[i]) + "' (try --help)");
        }
        const auto text = split.Value(args, i);
        if (!text) {
            return fail(std::string(flag) + " needs a value (try --help)");
        }
        const std::string v(*text);
        if (IsStationFlag(flag)) {
            if (auto refused = ApplyStationFlag(flag, v, station, given)) {
                return fail(*refused);
            }
        } else if (flag == "--hpbw") {
            const auto n = ParseRealArgument(v, kSkyMinHpbwDeg, kSkyMaxHpbwDeg);
            if (!n) {
                return fail("--hpbw: '" + v + "' is not a beamwidth in degrees, 0.05 to 120");
            }
            o.HpbwDeg = static_cast<double>(*n);
        } else if (flag == "--ra") {
            const auto n = ParseRealArgument(v, 0, 24);
            if (!n || *n >= 24) {
                return fail("--ra: '" + v + "' is not a right ascension in hours, 0 to below 24");
            }
            o.RaHours = static_cast<double>(*n);
        } else if (flag == "--dec") {
            const auto n = ParseRealArgument(v, -90, 90);
            if (!n) {
                return fail("--dec: '" + v + "' is not a declination in degrees, -90 to 90");
            }
            o.DecDeg = static_cast<double>(*n);
        } else if (flag == "--source") {
            const SourceArgument s = ReadSourceArgument(v);
            if (!s.Source) {
                return fail(s.Error);
            }
            o.Source = s.Source;
        } else if (flag == "--time") {
            const auto at = ParseIsoInstant(v);
            if (!at || !WithinEphemerisSpan(*at)) {
                return fail("--time: '" + v +
                            "' is not a UTC instant YYYY-MM-DDTHH:MM[:SS] from 1900 to 2100");
            }
            o.Time = at;
        } else if (flag == "--horizon") {
            o.HorizonFile = v;
        } else {
            o.SkyMapFolder = v;
        }
    }
    if (o.Help) {
        return result;
    }
    if (!o.Observing.FrequencyGiven) {
        return fail("--frequency MHZ is needed: the sky's brightness depends on it");
    }
    const double f = o.Observing.Conditions.FrequencyMHz;
    if (f < kSkyMinFrequencyMHz || f > kSkyMaxFrequencyMHz) {
        return fail("--frequency: the sky model holds from 10 MHz to 100 GHz");
    }
    if (!o.HpbwDeg) {
        return fail("--hpbw DEG is needed: the beam the sky is averaged over");
    }
    if (o.RaHours.has_value() != o.DecDeg.has_value()) {
        return fail("--ra and --dec go together");
    }
    if (o.RaHours.has_value() == o.Source.has_value()) {
        return fail("give either --ra HOURS --dec DEG or --source KEY");
    }
    if (o.ColdSky && !o.Source) {
        return fail("--cold-sky needs --source: the reference lies on its elevation circle");
    }
    return result;
}

} // namespace vantrel
