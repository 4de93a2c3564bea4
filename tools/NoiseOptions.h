#pragma once

#include "apparent/SkySource.h"
#include "astro/DateTime.h"
#include "measure/MeasureConstants.h"
#include "measure/RadioStarFlux.h"
#include "measure/SolarFlux.h"
#include "station/HomeStation.h"
#include "tools/ObservingArguments.h"
#include "tools/ToolFiles.h"

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace vantrel {

enum class NoiseFormat { Csv, Text };

/// What the command line of `vantrel-noise` asks for. Every number has been
/// checked against the range a station can have (measure/InputRanges.h).
struct NoiseOptions {
    /// --data FILE, --data-home[=FOLDER]: where the station is read.
    DataArguments Files;
    /// --frequency MHZ: the observing frequency, in the conditions.
    ObservingArguments Observing;
    std::optional<DateTime> Utc; ///< --time; now when absent
    std::optional<double> DishM, Efficiency, GainDbi, TsysK, SolarSfu;
    std::vector<measure::SolarFluxPoint> SolarTable;
    /// --solar-flux-file FILE: an observatory's daily flux file
    /// (measure/SolarFluxFile.h), read by the tool; empty when not given.
    std::string SolarFluxFile;
    double MoonBrightnessK = measure::kMoonBrightnessDefaultK; ///< K
    /// --moon-temperature given: the Moon at MoonBrightnessK; otherwise at
    /// the brightness its phase gives at the frequency (measure/MoonBrightness).
    bool MoonTemperatureGiven = false;
    std::optional<double> MeasuredYDb;
    /// With --measured-y: the source measured, one with a flux model (the
    /// Sun, the Moon, Cassiopeia A, Cygnus A, Taurus A, Virgo A).
    std::optional<SkySource> Source;
    NoiseFormat Format = NoiseFormat::Csv;
    /// --hpbw DEG: the beam the sky behind each source is averaged over,
    /// degrees; the antenna's own (70λ/D, or from the gain) when absent.
    std::optional<double> HpbwDeg;
    /// --reference AZ,EL: the cold-sky point the Y was (or will be) measured
    /// against, azimuth and elevation in degrees; its sky is taken off.
    std::optional<std::pair<double, double>> Reference;
    /// --cold-sky: each source against the coldest sky at its elevation.
    bool ColdSky = false;
    std::string SkyMapFolder; ///< --sky-maps FOLDER; the installed maps when empty
    bool Help = false;
};

/// Outcome of reading the command line: empty `Error` means success.
struct ParsedNoise {
    NoiseOptions Options;
    std::string Error; ///< one line for standard error, "vantrel-noise: ..."
};

/// The radio star of a fixed source with a flux model (Cassiopeia A,
/// Cygnus A, Taurus A, Virgo A); nothing for any other source.
std::optional<measure::RadioStar> RadioStarOf(SkySource source);

/// The usage text of `vantrel-noise`.
std::string_view NoiseUsage();

/// Reads the arguments (without the program name); `--lat`, `--lon` and
/// `--height` are applied to `station`. Both `--flag value` and
/// `--flag=value` are accepted (`--data-home=FOLDER` only with "="). An
/// instant beyond the Sun and Moon ephemeris is refused. Quoted arguments are escaped with
/// `TerminalSafe` in the message.
ParsedNoise ParseNoiseArguments(std::span<const std::string_view> args, HomeStation& station);

/// An instant "YYYY-MM-DDTHH:MM" (UTC) of a real date and time of day.
std::optional<DateTime> ParseIsoMinute(std::string_view text);

/// The instant as a decimal year: 2026.0 at 2026-01-01 00:00, the fraction
/// the part of that calendar year gone by.
double DecimalYear(DateTime utc);

} // namespace vantrel
