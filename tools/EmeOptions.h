#pragma once

#include "astro/DateTime.h"
#include "eme/DopplerFollower.h"
#include "eme/DxStation.h"
#include "eme/MoonWindows.h"
#include "station/HomeStation.h"
#include "tools/ObservingArguments.h"
#include "tools/ToolFiles.h"

#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace vantrel {

/// Most rows `vantrel-eme` prints for a range (a year at one-minute steps
/// is about 530 000).
inline constexpr long long kEmeMostRows = 1000000;

/// What the command line of `vantrel-eme` asks for.
struct EmeCommandLine {
    /// --data FILE, --data-home[=FOLDER]: where the station is read.
    DataArguments Files;
    /// --apparent, --refraction P,T,RH, --frequency MHZ (the frequency of the
    /// Doppler shifts and the path loss; the program's default without it).
    ObservingArguments Observing;
    /// --dx LOCATOR, or --dx-lat DEG --dx-lon DEG [--dx-height M].
    std::optional<eme::DxStation> Dx;
    /// --time: the one instant (UTC); now when absent and no range is given.
    std::optional<DateTime> Time;
    /// --start, --end: whole UTC days, the end day included.
    std::optional<DateTime> Start;
    std::optional<DateTime> End;
    /// --interval MIN given (the station's CalcInterval holds it).
    bool IntervalGiven = false;
    /// --windows: the common Moon windows instead of the values.
    bool Windows = false;
    /// --min-elevation DEG[,DEG]: home's and the DX station's minimum
    /// elevation (one value for both), degrees.
    double HomeMinElevationDeg = 0;
    double DxMinElevationDeg = 0;
    /// --receiver-k K: the receiver temperature of the degradation, K.
    double ReceiverK = 80.0;
    /// --hpbw DEG[,DEG]: home's and the DX station's half-power beamwidth
    /// (one value for both), degrees; without it eme::DefaultHpbwDeg.
    std::optional<double> HomeHpbwDeg;
    std::optional<double> DxHpbwDeg;
    /// --perigee: print the next perigee and apogee instead of the values.
    bool Perigee = false;
    /// --follow: tune the rig (--rig-model N, --rig-device DEV) to the
    /// sked frequency (--frequency) plus the Doppler shift (--doppler
    /// own|dx) until SIGINT or SIGTERM; --update S, --period S[,tx-first],
    /// --dead-band HZ as eme::DopplerFollowSettings has them.
    bool Follow = false;
    std::optional<int> RigModel;
    std::string RigDevice; ///< empty: Hamlib's default for the model
    std::optional<eme::DopplerToFollow> Doppler;
    double UpdateS = eme::kDefaultDopplerUpdateS;
    eme::DopplerPeriod Period;
    std::optional<double> DeadBandHz;
    bool Help = false;

    /// A range of days was given (--start or --end).
    bool HasRange() const { return Start.has_value() || End.has_value(); }
};

/// Outcome of reading the command line: empty `Error` means success.
struct ParsedEme {
    EmeCommandLine Options;
    std::string Error; ///< one line for standard error, "vantrel-eme: ..."
};

/// The usage text of `vantrel-eme`.
std::string_view EmeUsage();

/// Reads the arguments (without the program name); `--flag value` and
/// `--flag=value` alike (`--data-home=FOLDER` only with "="), the last of a
/// repeated flag counts. `--lat`, `--lon`, `--height` and `--interval`
/// change `station` (which holds what the data file gave), as for
/// vantrel-table. Refused: anything unknown or out of range; --dx with
/// --dx-lat or --dx-lon, one of --dx-lat and --dx-lon alone, --dx-height
/// without them; --time with --start or --end; --end before --start;
/// --interval without a range or --windows; --min-elevation without
/// --windows; --refraction without --frequency; instants beyond the Sun and
/// Moon positions; --follow without --rig-model, --doppler or --frequency,
/// or with --time, a range, --windows or --perigee; --doppler dx without a
/// DX station; the rig's and the following's options without --follow.
/// Text quoted from the arguments is made safe for a
/// terminal. On error `station` may be partly changed; the caller discards it.
ParsedEme ParseEmeArguments(std::span<const std::string_view> args, HomeStation& station);

/// A UTC instant "YYYY-MM-DDTHH:MM" or "YYYY-MM-DDTHH:MM:SS" (a blank may
/// stand for the "T", a "Z" may end it), of a real day.
std::optional<DateTime> ParseIsoInstant(std::string_view text);

} // namespace vantrel
