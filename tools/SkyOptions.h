#pragma once

#include "apparent/SkySource.h"
#include "astro/DateTime.h"
#include "station/HomeStation.h"
#include "tools/ObservingArguments.h"
#include "tools/ToolFiles.h"

#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace vantrel {

/// Accepted beamwidths, degrees: a dish of a few hundred wavelengths to a
/// short Yagi.
inline constexpr double kSkyMinHpbwDeg = 0.05;
inline constexpr double kSkyMaxHpbwDeg = 120.0;
/// Accepted frequencies, MHz: where the synchrotron scaling of the survey
/// still says something (below 10 MHz the ionosphere, above 100 GHz the
/// atmosphere rule).
inline constexpr double kSkyMinFrequencyMHz = 10.0;
inline constexpr double kSkyMaxFrequencyMHz = 100000.0;

/// What the command line of `vantrel-sky` asks for.
struct SkyCommandLine {
    DataArguments Files;             ///< --data FILE, --data-home[=FOLDER]
    ObservingArguments Observing;    ///< --frequency MHZ (needed), --refraction, --apparent
    std::optional<double> HpbwDeg;   ///< --hpbw DEG (needed)
    std::optional<double> RaHours;   ///< --ra HOURS, with --dec
    std::optional<double> DecDeg;    ///< --dec DEG
    std::optional<SkySource> Source; ///< --source KEY
    std::optional<DateTime> Time;    ///< --time UTC; now when absent
    bool ColdSky = false;            ///< --cold-sky: the reference row too (needs --source)
    std::string HorizonFile;         ///< --horizon FILE: the skyline the reference keeps above
    std::string SkyMapFolder;        ///< --sky-maps FOLDER: the survey's two FITS files
    bool Help = false;
};

/// Outcome of reading the command line: empty `Error` means success.
struct ParsedSky {
    SkyCommandLine Options;
    std::string Error; ///< one line for standard error, "vantrel-sky: ..."
};

/// The usage text of `vantrel-sky`.
std::string_view SkyUsage();

/// Reads the arguments (without the program name), `--flag value` and
/// `--flag=value` alike; `--lat`, `--lon`, `--height` change `station`.
/// Refused: anything unknown or out of range, a missing --frequency or
/// --hpbw, neither or both of --ra/--dec and --source, --ra without --dec,
/// --cold-sky without --source, an instant beyond 1900-2100.
ParsedSky ParseSkyArguments(std::span<const std::string_view> args, HomeStation& station);

} // namespace vantrel
