#include "tools/NoiseOptions.h"

#include "tools/CommandLineFlag.h"
#include "tools/DateArguments.h"
#include "tools/SourceArgument.h"

#include "measure/NumberText.h"

#include "measure/SourceExpectation.h"

#include "measure/Antenna.h"
#include "measure/InputRanges.h"
#include "measure/MeasureConstants.h"
#include "measure/RadioStarFlux.h"
#include "measure/YFactor.h"
#include "station/StationCheck.h"
#include "tools/TableOptions.h"
#include "tools/TerminalText.h"

#include <array>
#include <charconv>
#include <cmath>
#include <cstdlib>

namespace vantrel {

namespace {

constexpr std::string_view kUsage =
    "usage: vantrel-noise --frequency MHZ [--time YYYY-MM-DDTHH:MM]\n"
    "                     (--dish M --efficiency E | --gain DBI) --tsys K\n"
    "                     [--solar-flux SFU | --solar-flux-table MHZ:SFU,...\n"
    "                      | --solar-flux-file FILE]\n"
    "                     [--moon-temperature K] [--measured-y DB --source NAME]\n"
    "                     [--data FILE | --data-home[=FOLDER]]\n"
    "                     [--lat DEG] [--lon DEG] [--height M] [--format csv|text]\n"
    "                     [--hpbw DEG] [--reference AZ,EL | --cold-sky]\n"
    "                     [--sky-maps FOLDER] [--refraction P,T,RH]\n"
    "\n"
    "Prints, for each noise source with a flux model, its flux density, its size,\n"
    "the beam correction, the rise of antenna temperature and the expected\n"
    "Y-factor at the given frequency and UTC instant (default now), with the\n"
    "elevation at the station; a source below the horizon is marked in the note.\n"
    "With --measured-y and --source it prints instead the one row of that source\n"
    "with the G/T that the measured Y-factor gives.\n"
    "\n"
    "Each row also gives the beam (hpbw_deg: --hpbw, else 70 lambda/D or from the\n"
    "gain) and the sky behind the source at the frequency (tsky_k, from the 408 MHz\n"
    "survey; see vantrel-sky). With --reference AZ,EL (the cold-sky point, degrees)\n"
    "or --cold-sky (the coldest sky at each source's elevation) the reference's\n"
    "sky is given too (reference_tsky_k) and the background difference is taken\n"
    "into the expected Y and out of the G/T:\n"
    "G/T = 8 pi k K/(S lambda^2) [(Y - 1) - (Tsky,source - Tsky,reference)/Tsys]\n"
    "(the measured G/T then needs --tsys).\n"
    "--solar-flux-file reads the day's noon fluxes from an observatory's file\n"
    "(NOAA's solar_radio_flux.txt, a Learmonth LyyMMdd.SRD, an NCEI yearly noon\n"
    "flux file, Penticton's fluxtable.txt; nothing is downloaded): the station\n"
    "nearest the --time with values at both frequencies around --frequency, as a\n"
    "power law between them; the Sun's note names station, date, time and the two\n"
    "frequencies, and flags stations that disagree by more than 20 %.\n"
    "The Moon's brightness temperature follows its phase at the frequency\n"
    "(Krotikov and Troitsky's model) unless --moon-temperature gives it.\n"
    "From 1 GHz up the clear air (ITU-R P.676-10 Annex 2, the station's weather\n"
    "from --refraction P,T,RH in hPa, degrees C and %, else 1013.25 hPa, 10 C,\n"
    "50 %) attenuates each source at its elevation: delta_t_k, y_db and the G/T\n"
    "take the flux that reaches the antenna, and three columns are added at the\n"
    "end: atm_db (the attenuation at the source), tatm_k and reference_tatm_k (the\n"
    "air's emission T_m (1 - 10^(-A/10)) at the source and at the reference, which\n"
    "enter the sky's difference). Below 1 GHz the table is as it always was.\n"
    "\n"
    "The station is read from ./Vantrel.dat, else from the planner's data folder\n"
    "($XDG_DATA_HOME/vantrel, by default ~/.local/share/vantrel); --data FILE\n"
    "reads FILE, --data-home[=FOLDER] that folder only.\n"
    "\n"
    "Ranges: frequency 1 to 1000000 MHz; time 1900-01-01 to 2100-12-31 (UTC);\n"
    "dish 0.1 to 110 m; efficiency 0.05 to 1; gain above 0 up to 100 dBi; Tsys\n"
    "1 to 1000000 K; solar flux 1 to 1000000 sfu; Moon 50 to 400 K; measured Y\n"
    "above 0 up to 40 dB.\n"
    "Sources with a flux model: sun (needs a solar flux), moon, cas, cyg, tau,\n"
    "vir, or their titles (Sun, Moon, Cassiopeia-A, Cygnus-A, Taurus-A,\n"
    "Virgo-A), in any case.\n";

/// The sources with a flux model, which --source may name.
constexpr std::array<SkySource, 6> kModelledSources{SkySource::Sun,         SkySource::Moon,
                                                    SkySource::CassiopeiaA, SkySource::CygnusA,
                                                    SkySource::TaurusA,     SkySource::VirgoA};

std::optional<int> ParseDigits(std::string_view text) {
    int v = 0;
    const auto r = std::from_chars(text.data(), text.data() + text.size(), v);
    if (text.empty() || r.ec != std::errc{} || r.ptr != text.data() + text.size()) {
        return std::nullopt;
    }
    return v;
}

} // namespace

std::optional<measure::RadioStar> RadioStarOf(SkySource source) {
    switch (source) {
    case SkySource::CassiopeiaA:
        return measure::RadioStar::CassiopeiaA;
    case SkySource::CygnusA:
        return measure::RadioStar::CygnusA;
    case SkySource::TaurusA:
        return measure::RadioStar::TaurusA;
    case SkySource::VirgoA:
        return measure::RadioStar::VirgoA;
    default:
        return std::nullopt;
    }
}

std::string_view NoiseUsage() {
    return kUsage;
}

std::optional<DateTime> ParseIsoMinute(std::string_view text) {
    constexpr std::size_t kLength = 16; // YYYY-MM-DDTHH:MM
    if (text.size() != kLength || text[10] != 'T' || text[13] != ':') {
        return std::nullopt;
    }
    const auto date = ParseIsoDate(text.substr(0, 10));
    const auto h = ParseDigits(text.substr(11, 2));
    const auto m = ParseDigits(text.substr(14, 2));
    if (!date || !h || !m || *h < 0 || *h > 23 || *m < 0 || *m > 59) {
        return std::nullopt;
    }
    constexpr double kMinutesPerDay = 1440.0;
    return *date + (*h * 60 + *m) / kMinutesPerDay;
}

double DecimalYear(DateTime utc) {
    const DecodedInstant d = DecodeInstant(utc);
    const DateTime start = EncodeDate(d.Year, 1, 1);
    const DateTime next = EncodeDate(d.Year + 1, 1, 1);
    return d.Year + (utc - start) / (next - start);
}

ParsedNoise ParseNoiseArguments(std::span<const std::string_view> args, HomeStation& station) {
    ParsedNoise result;
    NoiseOptions& o = result.Options;
    const auto fail = [&](const std::string& message) {
        result.Error = "vantrel-noise: " + TerminalSafe(message);
        return result;
    };

    for (std::size_t i = 0; i < args.size(); ++i) {
        // Named copies, not a structured binding: the lambdas below capture
        // them, which clang before 16 refuses for bindings.
        const CommandLineFlag parts = CommandLineFlag::Of(args[i]);
        const std::string_view flag = parts.Flag;
        const std::optional<std::string_view> inlineValue = parts.InlineValue;
        if (flag == "--help" || flag == "-h") {
            o.Help = true;
            continue;
        }
        if (DataArguments::Owns(flag)) {
            std::optional<std::string_view> given = inlineValue;
            if (!given && DataArguments::TakesNextValue(flag) && i + 1 < args.size()) {
                given = args[++i];
            }
            if (auto refused = o.Files.Apply(flag, given)) {
                return fail(*refused);
            }
            continue;
        }
        if (flag == "--cold-sky") {
            if (inlineValue) {
                return fail("--cold-sky takes no value");
            }
            o.ColdSky = true;
            continue;
        }
        const auto known = {
            "--lat",        "--lon",        "--height",           "--frequency",
            "--time",       "--dish",       "--efficiency",       "--gain",
            "--tsys",       "--solar-flux", "--solar-flux-table", "--moon-temperature",
            "--measured-y", "--source",     "--format",           "--hpbw",
            "--reference",  "--sky-maps",   "--solar-flux-file"};
        bool isKnown = false;
        for (const char* k : known) {
            isKnown = isKnown || flag == k;
        }
        if (!isKnown) {
            return fail("unknown option '" + std::string(args[i]) + "' (try --help)");
        }
        std::optional<std::string_view> given = inlineValue;
        if (!given && i + 1 < args.size()) {
            given = args[++i];
        }
        if (!given) {
            return fail(std::string(flag) + " needs a value (try --help)");
        }
        const std::string v(*given);
        const auto number = measure::FiniteNumber(v);
        const auto notA = [&](std::string_view what) {
            return fail(std::string(flag) + ": '" + v + "' is not " + std::string(what));
        };
        // A number within the range a station can have, said when refused.
        const auto ranged = [&](std::string_view what, const measure::InputRange& range,
                                std::optional<double>& field) -> std::optional<ParsedNoise> {
            if (!number || !measure::InRange(*number, range)) {
                return notA(std::string(what) + ", " + range.Text);
            }
            field = *number;
            return std::nullopt;
        };
        namespace ir = measure::input_range;

        if (flag == "--lat" || flag == "--lon" || flag == "--height") {
            namespace r = station_range;
            const StationRange range = flag == "--lat"   ? r::kLatitudeDeg
                                       : flag == "--lon" ? r::kLongitudeDeg
                                                         : r::kHeightM;
            if (!number || *number < range.Lo || *number > range.Hi) {
                return notA(flag == "--lat"   ? "a latitude in degrees, -90 to 90"
                            : flag == "--lon" ? "a longitude in degrees, -180 to 180"
                                              : "a height in metres, -11000 to 100000");
            }
            (flag == "--lat"   ? station.Latitude
             : flag == "--lon" ? station.Longitude
                               : station.HeightAsl) = *number;
        } else if (flag == "--frequency") {
            if (auto refused = o.Observing.Apply(flag, *given)) {
                return fail(*refused);
            }
        } else if (flag == "--time") {
            o.Utc = ParseIsoMinute(v);
            if (!o.Utc) {
                return notA("a UTC instant YYYY-MM-DDTHH:MM");
            }
            if (auto beyond = DateBeyondEphemeris(flag, v, *o.Utc)) {
                return fail(*beyond);
            }
        } else if (flag == "--dish") {
            if (auto r = ranged("a dish diameter", ir::kDishM, o.DishM)) {
                return *r;
            }
        } else if (flag == "--efficiency") {
            if (auto r = ranged("an aperture efficiency", ir::kEfficiency, o.Efficiency)) {
                return *r;
            }
        } else if (flag == "--gain") {
            if (auto r = ranged("an antenna gain", ir::kGainDbi, o.GainDbi)) {
                return *r;
            }
        } else if (flag == "--tsys") {
            if (auto r = ranged("a system temperature", ir::kTsysK, o.TsysK)) {
                return *r;
            }
        } else if (flag == "--solar-flux") {
            if (auto r = ranged("a solar flux", ir::kSolarSfu, o.SolarSfu)) {
                return *r;
            }
        } else if (flag == "--solar-flux-table") {
            const auto table = measure::ParseSolarTable(v);
            if (!table) {
                return notA("a table MHZ:SFU,MHZ:SFU,...");
            }
            if (auto why = measure::CheckSolarTable(*table)) {
                return fail("--solar-flux-table: " + *why);
            }
            for (const measure::SolarFluxPoint& point : *table) {
                if (!measure::InRange(point.Sfu, ir::kSolarSfu)) {
                    return notA(std::string("a table of solar fluxes, each ") + ir::kSolarSfu.Text);
                }
            }
            o.SolarTable = *table;
        } else if (flag == "--solar-flux-file") {
            if (v.empty()) {
                return fail("--solar-flux-file needs a file name");
            }
            o.SolarFluxFile = v;
        } else if (flag == "--moon-temperature") {
            std::optional<double> t;
            if (auto r = ranged("a brightness temperature of the Moon", ir::kMoonK, t)) {
                return *r;
            }
            o.MoonBrightnessK = *t;
            o.MoonTemperatureGiven = true;
        } else if (flag == "--measured-y") {
            if (auto r = ranged("a measured Y-factor", ir::kMeasuredYDb, o.MeasuredYDb)) {
                return *r;
            }
        } else if (flag == "--source") {
            const SourceArgument read =
                ReadSourceArgument(v, kModelledSources, "has no flux model");
            if (!read.Source) {
                return fail(read.Error);
            }
            o.Source = read.Source;
        } else if (flag == "--hpbw") {
            if (!number || *number < 0.05 || *number > 120) {
                return notA("a beamwidth in degrees, 0.05 to 120");
            }
            o.HpbwDeg = *number;
        } else if (flag == "--reference") {
            const auto comma = v.find(',');
            const auto az = measure::FiniteNumber(v.substr(0, comma));
            const auto el = comma == std::string::npos ? std::nullopt
                                                       : measure::FiniteNumber(v.substr(comma + 1));
            if (!az || !el || *az < 0 || *az >= 360 || *el < -5 || *el > 90) {
                return notA("AZ,EL in degrees (azimuth 0 to below 360, elevation -5 to 90)");
            }
            o.Reference = std::pair{*az, *el};
        } else if (flag == "--sky-maps") {
            o.SkyMapFolder = v;
        } else { // --format
            if (v != "csv" && v != "text") {
                return fail("--format: '" + v + "' is neither csv nor text");
            }
            o.Format = v == "csv" ? NoiseFormat::Csv : NoiseFormat::Text;
        }
    }
    if (o.Help) {
        return result;
    }
    if (!o.Observing.FrequencyGiven) {
        return fail("--frequency is required (try --help)");
    }
    const bool dish = o.DishM || o.Efficiency;
    if (dish && o.GainDbi) {
        return fail("give either --dish with --efficiency or --gain, not both");
    }
    if (dish && !(o.DishM && o.Efficiency)) {
        return fail("--dish and --efficiency go together");
    }
    if (!dish && !o.GainDbi) {
        return fail("the antenna is missing: --dish M --efficiency E, or --gain DBI");
    }
    if (o.SolarSfu && !o.SolarTable.empty()) {
        return fail("give either --solar-flux or --solar-flux-table, not both");
    }
    if (!o.SolarFluxFile.empty() && (o.SolarSfu || !o.SolarTable.empty())) {
        return fail("give one of --solar-flux, --solar-flux-table and --solar-flux-file");
    }
    if (o.MeasuredYDb.has_value() != o.Source.has_value()) {
        return fail("--measured-y and --source go together");
    }
    if (!o.MeasuredYDb && !o.TsysK) {
        return fail("--tsys is required for the expected Y-factors");
    }
    if (o.Reference && o.ColdSky) {
        return fail("give either --reference or --cold-sky, not both");
    }
    if ((o.Reference || o.ColdSky) && o.MeasuredYDb && !o.TsysK) {
        return fail("--reference and --cold-sky need --tsys: the sky's difference is weighed "
                    "against the system temperature");
    }
    if (o.Source == SkySource::Sun && !o.SolarSfu && o.SolarTable.empty() &&
        o.SolarFluxFile.empty()) {
        return fail("--source Sun needs --solar-flux, --solar-flux-table or --solar-flux-file");
    }
    if (const auto star = o.Source ? RadioStarOf(*o.Source) : std::nullopt;
        star &&
        !measure::RadioStarFlux(*star, o.Observing.Conditions.FrequencyMHz, 2000.0).HasValue()) {
        return fail("--source: " + std::string(measure::RadioStarName(*star)) +
                    " has no flux model at this frequency, so no G/T");
    }
    return result;
}

} // namespace vantrel
