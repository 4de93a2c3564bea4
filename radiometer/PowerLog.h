#pragma once

#include "radiometer/PowerBlock.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vantrel {

/// File name of the power log, in the data folder.
inline constexpr const char* kPowerLogName = "Vantrel-power.csv";

/// The header line of the power log, without its line break. It never
/// changes; columns added later go at the end.
inline constexpr std::string_view kPowerLogHeader =
    "utc_start,utc_end,input,frequency_mhz,power_db,sigma_db,samples,clipped,rfi_dropped,source,"
    "azimuth_deg,elevation_deg,mark";

/// What a block was taken as.
enum class PowerMark { None, On, Off, Reference };

/// "", "on", "off", "reference".
std::string_view PowerMarkText(PowerMark mark);

/// One line of the power log.
struct PowerRecord {
    std::string UtcStart;               ///< "YYYY-MM-DDTHH:MM:SS.sssZ", UTC
    std::string UtcEnd;                 ///< the same form
    std::string Input;                  ///< "sdr", "audio", "command", "rig"
    std::optional<double> FrequencyMHz; ///< MHz; empty when unknown
    double PowerDb = 0;                 ///< dB (dBFS, dBm or dB), to 0.001
    std::optional<double> SigmaDb;      ///< dB, to 0.0001; empty when unknown
    std::uint64_t Samples = 0;
    std::uint64_t Clipped = 0;
    double RfiDropped = 0;              ///< share 0..1, to 0.0001
    std::string Source;                 ///< tracked source's key; empty when none
    std::optional<double> AzimuthDeg;   ///< degrees, to 0.01; empty when not tracking
    std::optional<double> ElevationDeg; ///< degrees, to 0.01
    PowerMark Mark = PowerMark::None;

    bool operator==(const PowerRecord&) const = default;
};

/// "YYYY-MM-DDTHH:MM:SS.sssZ" of a UTC instant.
std::string PowerLogTime(DateTime utc);

/// The record of a block: its times, power, σ, counts and pointing, for
/// input `input` at `frequencyMHz` (0 or less: unknown).
PowerRecord PowerRecordOf(const PowerBlock& block, std::string_view input, double frequencyMHz,
                          PowerMark mark);

/// One line of a record, without the line break: texts quoted as RFC 4180
/// asks when they hold a comma or a quote, a line break in a text written
/// as a blank, numbers rounded as the record says.
std::string PowerLogLine(const PowerRecord& record);

/// Appends `record` to the log at `path`, created with the header line
/// first when it does not exist or is empty. The line goes to the end of
/// the file in one write on a file opened for appending and locked
/// (flock) meanwhile, then fsync; a log whose last line was cut short (no
/// final line break) gets a line break first, so the new line is whole.
/// The reason when it could not be written; nothing then.
std::optional<std::string> AppendPowerRecord(const std::string& path, const PowerRecord& record);

/// What a log holds: its records in file order, and a note for every line
/// passed over ("line 7 skipped: ...").
struct PowerLog {
    std::vector<PowerRecord> Records;
    std::vector<std::string> Skipped;
};

/// Reads the log text. The header and empty lines are passed over
/// silently; a damaged line (too few fields, a number that is not one, an
/// unknown mark, an open quote) is skipped with a note. Fields beyond the
/// thirteenth (columns of a later version) are ignored.
PowerLog ParsePowerLog(std::string_view text);

/// Reads the log at `path`: nothing for a missing file; the reason when it
/// exists but cannot be read.
std::optional<std::string> ReadPowerLog(const std::string& path, PowerLog& log);

} // namespace vantrel
