#pragma once

#include "radiometer/AudioInput.h"
#include "radiometer/BlockIntegrator.h"
#include "radiometer/CommandInput.h"
#include "radiometer/RigInput.h"
#include "radiometer/SdrInput.h"
#include "tools/ToolFiles.h"

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace vantrel {

/// The inputs of `vantrel-power`, as --input names them.
enum class PowerInputKind { Sdr, Audio, Command, Rig };

/// "sdr", "audio", "command", "rig".
std::string_view PowerInputName(PowerInputKind kind);

/// What the command line of `vantrel-power` asks for.
struct PowerCommandLine {
    /// --data FILE, --data-home[=FOLDER]: where the power log is written
    /// (ToolFiles::PathForNew).
    DataArguments Files;
    PowerInputKind Input = PowerInputKind::Sdr;
    /// --device, --frequency, --rate, --gain, --gain-element, --setting, --ppm
    SdrSettings Sdr;
    AudioSettings Audio;     ///< --device, --rate, --channel
    CommandSettings Command; ///< --command, --unit, --column, --poll
    RigSettings Rig;         ///< --rig-model, --device
    /// --tau, --rfi; --bins and --band choose the spectrum path (audio
    /// takes it always: 300-2700 Hz without --band).
    IntegrationSettings Integration;
    /// --frequency for the log when the input does not tune (MHz); none unknown.
    std::optional<double> FrequencyMHz;
    std::optional<double> DurationS; ///< --duration, seconds; none: until interrupted
    /// --spectrum FILE: each block's averaged spectrum appended as a CSV row
    /// (sdr, audio; takes the spectrum path); empty: none.
    std::string SpectrumPath;
    /// --record BASE: the SDR's samples as the SigMF recording BASE.sigmf-data
    /// and BASE.sigmf-meta; --record-limit MB its size limit. Empty: none.
    std::string RecordBase;
    double RecordLimitMb = 1000;
    bool Help = false;
};

/// Outcome of reading the command line: empty `Error` means success.
struct ParsedPower {
    PowerCommandLine Options;
    std::string Error; ///< one line for standard error, "vantrel-power: ..."
    /// Lines for standard error that are no error: a default chosen for
    /// the user (the audio band).
    std::vector<std::string> Notes;
};

/// The usage text of `vantrel-power`.
std::string_view PowerUsage();

/// Reads the arguments (without the program name); `--flag value` and
/// `--flag=value` alike (`--data-home=FOLDER` only with "="), the last of a
/// repeated flag counts. `--input` is
/// required unless `--help` is given; an option that does not apply to the
/// input chosen is refused, as are values out of range. Text quoted from
/// the arguments is made safe for a terminal.
ParsedPower ParsePowerArguments(std::span<const std::string_view> args);

} // namespace vantrel
