#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vantrel::measure {

/// File name of the measurement log, in the working folder.
inline constexpr const char* kMeasurementLogName = "Vantrel-measurements.csv";

/// The header line of the log, without its line break. Columns are only
/// ever added at the end: a reader takes the ones it knows and passes over
/// any after them.
///
/// `tsys_k` is the system temperature the measurement gives, G/(G/T) with
/// the antenna's gain G, K; every record rounds alike (`RoundedForLog`).
/// `blocks_utc_start` and `blocks_utc_end` are the UTC span of the
/// receiver's blocks a Y rests on (empty for a Y typed by hand).
/// `sky_tsky_k` and `reference_tsky_k` are the sky behind the source and
/// behind the cold-sky reference the Y was measured against, K, and
/// `background_correction_db` what taking their difference out changed
/// the G/T by, dB (empty when the G/T is not corrected). `flux_source` says
/// where the flux density came from and how well it is known ("5.0 %,
/// typed"); `g_over_t_sigma_db` is then the whole budget's σ.
inline constexpr std::string_view kMeasurementLogHeader =
    "utc,source,elevation_deg,frequency_mhz,antenna,tsys_k,solar_flux_sfu,measured_y_db,"
    "g_over_t_db_per_k,status,method,y_sigma_db,g_over_t_sigma_db,blocks_utc_start,"
    "blocks_utc_end,sky_tsky_k,reference_tsky_k,background_correction_db,flux_source";
/// The header of the logs before the sky columns; such a log still reads,
/// and appending to it never rewrites it.
inline constexpr std::string_view kMeasurementLogHeaderWithoutSky =
    "utc,source,elevation_deg,frequency_mhz,antenna,tsys_k,solar_flux_sfu,measured_y_db,"
    "g_over_t_db_per_k,status,method,y_sigma_db,g_over_t_sigma_db,blocks_utc_start,"
    "blocks_utc_end";
/// The header of the logs before the span of the blocks; such a log still
/// reads, and appending to it never rewrites it.
inline constexpr std::string_view kMeasurementLogHeaderWithoutSpan =
    "utc,source,elevation_deg,frequency_mhz,antenna,tsys_k,solar_flux_sfu,measured_y_db,"
    "g_over_t_db_per_k,status,method,y_sigma_db,g_over_t_sigma_db";
/// The header of the logs before the method and uncertainty columns; such
/// a log still reads, and appending to it never rewrites it.
inline constexpr std::string_view kMeasurementLogHeaderWithoutMethod =
    "utc,source,elevation_deg,frequency_mhz,antenna,tsys_k,solar_flux_sfu,measured_y_db,"
    "g_over_t_db_per_k,status";
/// The header of the first logs, before the status column; such a log still
/// reads, its records all in use.
inline constexpr std::string_view kMeasurementLogHeaderWithoutStatus =
    "utc,source,elevation_deg,frequency_mhz,antenna,tsys_k,solar_flux_sfu,measured_y_db,"
    "g_over_t_db_per_k";
/// The status of a withdrawn record; an empty status is a record in use.
inline constexpr std::string_view kWithdrawnStatus = "withdrawn";

/// One measurement of the station, as the log keeps it.
struct MeasurementRecord {
    std::string Utc;         ///< "YYYY-MM-DDTHH:MM:SSZ", UTC
    std::string Source;      ///< as the grids title it: "Cassiopeia-A", "Sun"
    double ElevationDeg = 0; ///< degrees above the horizon
    double FrequencyMHz = 0; ///< MHz
    std::string Antenna;     ///< free text: "dish 3 m, efficiency 0.55"
    /// The system temperature the measurement gives, G/(G/T) with the
    /// antenna's gain, K (older records of the Measure window: the Tsys
    /// typed there)
    double TsysK = 0;
    std::optional<double> SolarFluxSfu; ///< solar flux units; only for the Sun
    double MeasuredYDb = 0;             ///< dB
    double GOverTDbPerK = 0;            ///< dB/K
    /// Withdrawn by the user: kept in the log, left out of the chart and of
    /// every statistic.
    bool Withdrawn = false;
    /// How it was measured: "typed" for a Y typed in by hand (empty in
    /// older logs), "y-sequence" for an automatic sequence of on/off pairs
    /// (with "(partial: 2 of 4 pairs)" when it stopped part-way), how the
    /// Receiver window's σ was had for its Y ("gain drift over 26 s",
    /// "off-on-off, scatter of 24 blocks").
    std::string Method{};
    std::optional<double> YSigmaDb{};      ///< one-sigma uncertainty of the measured Y, dB
    std::optional<double> GOverTSigmaDb{}; ///< one-sigma uncertainty of G/T, dB
    /// The UTC span of the receiver's blocks the Y rests on: the first
    /// one's start and the last one's end, "YYYY-MM-DDTHH:MM:SS.sssZ" as the
    /// power log times its blocks; empty when not known (a Y typed by hand).
    std::string BlocksUtcStart{};
    std::string BlocksUtcEnd{};
    /// The sky behind the source and behind the reference, K, and the
    /// background correction of the G/T, dB; none when the G/T was not
    /// corrected for the background (older logs, no sky map).
    std::optional<double> SkyTskyK{};
    std::optional<double> ReferenceTskyK{};
    std::optional<double> BackgroundCorrectionDb{};
    /// Where the flux density came from ("5.0 %, typed", "5.0 %, model");
    /// empty in older logs.
    std::string FluxSource{};

    bool operator==(const MeasurementRecord&) const = default;
};

/// One line of a record, without the line break: fields separated by
/// commas, texts quoted as RFC 4180 asks when they hold a comma or a quote,
/// a line break in a text written as a blank (so the record stays one line
/// that `ParseMeasurementLog` reads), numbers with the fewest digits that
/// read back the same. The method and the two uncertainties follow the
/// status only when one of them (or the span or the sky) is set, the span of the
/// blocks only when it or the sky is, and the sky only when it is: a
/// record without them keeps the line it always had.
std::string MeasurementLine(const MeasurementRecord& record);

/// The record as every record goes to the log: elevation to 0.01°, Tsys
/// to 0.1 K, Y to 0.001 dB, G/T to 0.01 dB/K, σ of Y to 0.0001 dB, σ of
/// G/T to 0.001 dB, the solar flux to 0.1 sfu, the skies to 0.1 K, the
/// background correction to 0.001 dB; the frequency as it is.
MeasurementRecord RoundedForLog(MeasurementRecord record);

/// Appends `record` to the log at `path`. A log that does not exist (or is
/// empty) gets the header line first; a log whose last line has no line
/// break (as many editors save it) gets one first, so the record never
/// joins the line before it. The line goes to the end of the file in one
/// write, under an exclusive lock of the log that `SetWithdrawn` takes too,
/// so two programs logging at once never mix their lines and nothing
/// already in the log is rewritten. Returns the reason when the record could
/// not be written ("Cannot write the measurement log ...: Permission
/// denied"); nothing then.
std::optional<std::string> AppendMeasurement(const std::string& path,
                                             const MeasurementRecord& record);

/// What a log holds: its records in file order (withdrawn ones too, marked),
/// the line of each, and a note for every line that was passed over ("line
/// 7 skipped: at least 9 fields expected, 4 found").
struct MeasurementLog {
    std::vector<MeasurementRecord> Records;
    std::vector<std::size_t> Lines; ///< line of each record in the file, from 1
    std::vector<std::string> Skipped;
};

/// Reads the log text. Header lines (the present one, the first logs' one,
/// or a later one with more columns) and empty lines are passed over
/// silently; a record has the nine columns of the first logs, then its
/// status (absent in the first logs: in use), then the method and the
/// uncertainties of Y and G/T and the span of the blocks (absent before
/// them: empty), and any columns after those are passed over. A damaged line (too few fields, a
/// number that is not one, an unterminated quote) is skipped with a note, never an error.
MeasurementLog ParseMeasurementLog(std::string_view text);

/// Reads the log at `path`: nothing for a missing file; the reason when it
/// exists but cannot be read.
std::optional<std::string> ReadMeasurementLog(const std::string& path, MeasurementLog& log);

/// Marks the record on line `line` of the log at `path` withdrawn (or in use
/// again), in place of editing the file by hand: the record stays in the
/// log with "withdrawn" in its status column; every other line, damaged
/// ones and columns unknown here included, stays byte for byte (a log of
/// the first kind gets the present header). `expected` is the record as it
/// was read from that line; when the line holds another one now (the log
/// was changed meanwhile), nothing is changed and the reason is returned.
/// The log is written whole to a new file beside it that then takes its
/// name, under the lock `AppendMeasurement` takes, so a crash leaves the
/// old log or the new one and a record appended meanwhile is never lost.
/// Returns the reason when nothing could be changed; nothing on success.
std::optional<std::string> SetWithdrawn(const std::string& path, std::size_t line,
                                        const MeasurementRecord& expected, bool withdrawn);

} // namespace vantrel::measure
