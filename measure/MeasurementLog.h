#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vantrel::measure {

/// File name of the measurement log, in the working folder.
inline constexpr const char* kMeasurementLogName = "Vantrel-measurements.csv";

/// The header line of the log, without its line break.
inline constexpr std::string_view kMeasurementLogHeader =
    "utc,source,elevation_deg,frequency_mhz,antenna,tsys_k,solar_flux_sfu,measured_y_db,"
    "g_over_t_db_per_k";

/// One measurement of the station, as the log keeps it.
struct MeasurementRecord {
    std::string Utc;                    ///< "YYYY-MM-DDTHH:MM:SSZ", UTC
    std::string Source;                 ///< as the grids title it: "Cassiopeia-A", "Sun"
    double ElevationDeg = 0;            ///< degrees above the horizon
    double FrequencyMHz = 0;            ///< MHz
    std::string Antenna;                ///< free text: "dish 3 m, efficiency 0.55"
    double TsysK = 0;                   ///< system temperature, K
    std::optional<double> SolarFluxSfu; ///< solar flux units; only for the Sun
    double MeasuredYDb = 0;             ///< dB
    double GOverTDbPerK = 0;            ///< dB/K

    bool operator==(const MeasurementRecord&) const = default;
};

/// One line of a record, without the line break: fields separated by
/// commas, texts quoted as RFC 4180 asks when they hold a comma or a quote,
/// a line break in a text written as a blank (so the record stays one line
/// that `ParseMeasurementLog` reads), numbers with the fewest digits that
/// read back the same.
std::string MeasurementLine(const MeasurementRecord& record);

/// Appends `record` to the log at `path`. A log that does not exist is
/// created with the header line first. The line goes to the end of the file
/// in one write on a file opened for appending, so two programs logging at
/// once never mix their lines and nothing already in the log is rewritten.
/// Returns the reason when the record could not be written ("Cannot write
/// the measurement log ...: Permission denied"); nothing then.
std::optional<std::string> AppendMeasurement(const std::string& path,
                                             const MeasurementRecord& record);

/// What a log holds: its records in file order, and a note for every line
/// that was passed over ("line 7 skipped: 9 fields expected, 4 found").
struct MeasurementLog {
    std::vector<MeasurementRecord> Records;
    std::vector<std::string> Skipped;
};

/// Reads the log text. The header line and empty lines are passed over
/// silently; a damaged line (wrong field count, a number that is not one,
/// an unterminated quote) is skipped with a note, never an error.
MeasurementLog ParseMeasurementLog(std::string_view text);

/// Reads the log at `path`: nothing for a missing file; the reason when it
/// exists but cannot be read.
std::optional<std::string> ReadMeasurementLog(const std::string& path, MeasurementLog& log);

} // namespace vantrel::measure
