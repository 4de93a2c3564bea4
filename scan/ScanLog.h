#pragma once

#include "astro/DateTime.h"
#include "scan/CrossScan.h"
#include "scan/DriftScan.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vantrel::scan {

/// File name of the scans log, in the data folder.
inline constexpr const char* kScanLogName = "Vantrel-scans.csv";

/// The header line of the scans log, without its line break. It never
/// changes; columns added later go at the end, and a reader passes over
/// those it does not know.
inline constexpr std::string_view kScanLogHeader =
    "utc,procedure,source,frequency_mhz,elevation_deg,az_offset_deg,az_offset_sigma_deg,"
    "el_offset_deg,el_offset_sigma_deg,hpbw_az_deg,hpbw_el_deg,peak_y_db,fit_chi2_az,"
    "fit_chi2_el,peak_time_utc,status";

/// The status of a scan that stopped part-way; an empty status is a whole
/// scan.
inline constexpr std::string_view kPartialStatus = "partial";

/// One cross or drift scan as the log keeps it. Angles in degrees, the
/// azimuth offset a true angle on the sky; an empty value was not found.
struct ScanRecord {
    std::string Utc;       ///< when it ended, "YYYY-MM-DDTHH:MM:SSZ"
    std::string Procedure; ///< "cross" or "drift"
    std::string Source;    ///< as the grids title it: "Sun", "Cassiopeia-A"
    std::optional<double> FrequencyMHz;
    std::optional<double> ElevationDeg; ///< of the source during the scan
    std::optional<double> AzOffsetDeg;
    std::optional<double> AzOffsetSigmaDeg;
    std::optional<double> ElOffsetDeg;
    std::optional<double> ElOffsetSigmaDeg;
    /// The beamwidth in azimuth; for a drift scan, along the source's track.
    std::optional<double> HpbwAzDeg;
    std::optional<double> HpbwElDeg;
    std::optional<double> PeakYDb;
    std::optional<double> FitChi2Az; ///< reduced χ² of the azimuth (drift: time) fit
    std::optional<double> FitChi2El;
    std::string PeakTimeUtc; ///< drift: when the peak passed, "YYYY-MM-DDTHH:MM:SS.sZ"
    bool Partial = false;

    bool operator==(const ScanRecord&) const = default;
};

/// "YYYY-MM-DDTHH:MM:SSZ" of a UTC instant.
std::string ScanLogTime(DateTime utc);

/// The record of a cross-scan that ended at `utc`.
ScanRecord RecordOf(const CrossScanResult& result, DateTime utc, const std::string& title,
                    double frequencyMHz);
/// The record of a drift scan that ended at `utc`.
ScanRecord RecordOf(const DriftScanResult& result, DateTime utc, const std::string& title,
                    double frequencyMHz);

/// One line of a record, without the line break: texts quoted as RFC 4180
/// asks when they hold a comma or a quote (a line break written as a
/// blank), numbers rounded to a thousandth (χ² to a hundredth) with the
/// fewest digits that read back the same.
std::string ScanLogLine(const ScanRecord& record);

/// Appends `record` to the log at `path` with the care of every log of the
/// program (AppendLogLine: the header in a new log from its first moment,
/// one locked write, fsync, a cut last line mended, an emptied log given
/// its header again). The reason when it could not be written; nothing
/// then.
std::optional<std::string> AppendScanRecord(const std::string& path, const ScanRecord& record);

/// What a log holds: its records in file order, and a note for every line
/// passed over ("line 7 skipped: a quote is not closed").
struct ScanLog {
    std::vector<ScanRecord> Records;
    std::vector<std::string> Skipped;
};

/// Reads the log text. Header lines and empty lines are passed over
/// silently; a damaged line (too few fields, a number that is not one, no
/// time or source, an open quote) is skipped with a note. Fields after the
/// sixteenth are ignored.
ScanLog ParseScanLog(std::string_view text);

/// Reads the log at `path`: nothing for a missing file; the reason when it
/// exists but cannot be read.
std::optional<std::string> ReadScanLog(const std::string& path, ScanLog& log);

} // namespace vantrel::scan
