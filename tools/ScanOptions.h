#pragma once

#include "scan/ScanSettings.h"
#include "station/HomeStation.h"
#include "tools/ObservingArguments.h"
#include "tools/PowerOptions.h"
#include "tools/ToolFiles.h"
#include "tools/ToolStation.h"
#include "tracking/Rotator.h"
#include "tracking/Tracking.h"

#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace vantrel {

/// What the command line of `vantrel-scan` asks for.
struct ScanCommandLine {
    /// --data FILE, --data-home[=FOLDER]: where the station is read and the
    /// logs are written.
    DataArguments Files;
    /// Which of --lat and --lon were given: without a station file both are
    /// needed before a rotator is moved.
    PositionGiven Position;
    /// --procedure, --source, --hpbw (or the dish's), --tau, --settle,
    /// --pairs, --off-beams, --span, --points. The rotator is stopped at
    /// the end (AfterEnd::Stop).
    scan::ScanSettings Scan;
    /// --offset AZ,EL, --az-range, --min-elevation; the rest as tracking's
    /// defaults (azimuth 0 to 360, the source followed down to the horizon).
    TrackingOptions Pointing;
    /// --rotator MODEL (2, a rotctld, by default), --device DEV.
    RotatorSettings Rotator;
    /// The radiometer: --input and the options of vantrel-power, its device
    /// given as --input-device.
    PowerCommandLine Radiometer;
    /// --apparent, --refraction P,T,RH, --frequency MHZ.
    ObservingArguments Observing;
    /// --dish M and --efficiency E, when the beam is given so (the gain
    /// then follows too).
    std::optional<double> DishM;
    double Efficiency = 0.55;
    /// --flux-sfu: the Sun's flux at the observing frequency, solar flux
    /// units.
    std::optional<double> SolarFluxSfu;
    /// The antenna's gain, dBi, when the beam came from a gain in
    /// Vanset.ini (the Measure window's antenna given so).
    std::optional<double> GainDbi;
    /// --tsys K: the system temperature the background correction of an
    /// off point of the sky model (--off-point colder|coldest, in
    /// Scan.OffBy) divides by, K; else [Measure] TsysK of Vanset.ini.
    std::optional<double> TsysK;
    bool Help = false;
};

/// What vantrel-scan takes from the program's "Vanset.ini" when the
/// command line leaves it out, as the Scan window does: the observing
/// frequency ([Observing] FrequencyMHz, MHz), the Measure window's antenna
/// ([Measure] AntennaKind, DishDiameterM, Efficiency or GainDbi) and the
/// Sun's flux ([Measure] SolarFlux, when it is a number of sfu; a table is
/// not taken). Values that are not numbers are left out.
struct VansetScanDefaults {
    std::optional<double> FrequencyMHz;
    std::optional<double> DishM;
    double Efficiency = 0.55;
    std::optional<double> GainDbi;
    std::optional<double> SolarFluxSfu;
    std::optional<double> TsysK; ///< [Measure] TsysK, K, > 0
};

/// Reads those values from the text of a "Vanset.ini" (as QSettings
/// writes it: "[Section]" lines, "Key=value" lines); nothing for the
/// others.
VansetScanDefaults ReadVansetScanDefaults(std::string_view text);

/// Those values from the "Vanset.ini" where the tools keep their files
/// (beside the station file, else in the working folder) for `files`:
/// nothing when there is none or the folder cannot be read.
VansetScanDefaults VansetScanDefaultsIn(const DataArguments& files);

/// Outcome of reading the command line: empty `Error` means success.
struct ParsedScan {
    ScanCommandLine Options;
    std::string Error; ///< one line for standard error, "vantrel-scan: ..."
};

/// The usage text of `vantrel-scan`.
std::string_view ScanUsage();

/// Reads the arguments (without the program name); `--flag value` and
/// `--flag=value` alike (`--data-home=FOLDER` only with "="), the last of a
/// repeated flag counts. `--lat`, `--lon`, `--height` and `--pick` change
/// `station`. Required unless `--help`: `--procedure`, `--source`,
/// `--input`, the beam (`--hpbw` or `--dish`), and for `y` `--frequency`
/// (and `--flux-sfu` on the Sun). The radiometer's options are read as
/// vantrel-power reads them (ParsePowerArguments), `--duration` excepted.
/// Text quoted from the arguments is made safe for a terminal.
ParsedScan ParseScanArguments(std::span<const std::string_view> args, HomeStation& station);
/// The same, with what the command line leaves out (the frequency, the
/// beam as --dish or a gain, the Sun's flux) taken from `defaults`.
ParsedScan ParseScanArguments(std::span<const std::string_view> args, HomeStation& station,
                              const VansetScanDefaults& defaults);

} // namespace vantrel
