#pragma once

#include "tools/ScanOptions.h"

#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace vantrel {

/// What the command line of `vantrel-observe` asks for: the schedule, the
/// options of vantrel-scan (the station, the rotator, the radiometer, the
/// beam, τ, the settle time, the Sun's flux, and the defaults of the
/// procedures' own options), and its own.
struct ObserveCommandLine {
    std::string SchedulePath;
    /// --data FILE, --data-home[=FOLDER]: the station and the logs (the
    /// scan options' own).
    DataArguments Files;
    /// As vantrel-scan reads it; the procedure and the source come from
    /// each step, so they are not on the command line.
    ScanCommandLine Scan;
    bool Restart = false;       ///< --restart: every step again, the state forgotten
    std::string FitsFolder;     ///< --fits DIR: one FITS file a scan (empty: none)
    std::string CalOnCommand;   ///< --cal-on CMD: switches the calibrator on
    std::string CalOffCommand;  ///< --cal-off CMD
    std::optional<double> CalK; ///< --cal-k K: its excess temperature, kelvin
    double CalEveryMin = 0;     ///< --cal-every MIN: calibrate again during recordings
    double ParkTimeoutS = 180;  ///< --park-timeout S: a park not reported by then is partial
    /// --simulated: the simulated telescope instead of the rotator and the
    /// receiver (--sim-error AZ,EL, --sim-tsys K, --sim-drift DB set its truth).
    bool Simulated = false;
    double SimErrorAzDeg = 0.3;
    double SimErrorElDeg = -0.2;
    double SimTsysK = 120;
    double SimDriftDbPerSqrtS = 0;
    bool Help = false;
};

struct ParsedObserve {
    ObserveCommandLine Options;
    std::string Error; ///< one line for standard error, "vantrel-observe: ..."
};

/// The usage text of `vantrel-observe`.
std::string_view ObserveUsage();

/// Reads the arguments (without the program name): SCHEDULE first, then
/// the options; `--procedure` and `--source` are refused (each step names
/// them). The options vantrel-scan takes are read by ParseScanArguments,
/// with `defaults` for what they leave out.
ParsedObserve ParseObserveArguments(std::span<const std::string_view> args, HomeStation& station,
                                    const VansetScanDefaults& defaults);

} // namespace vantrel
