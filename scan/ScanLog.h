#pragma once

#include "astro/DateTime.h"
#include "scan/CrossScan.h"
#include "scan/DriftScan.h"
#include "scan/GridScan.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vantrel::scan {

/// File name of the scans log, in the data folder.
inline constexpr const char* kScanLogName = "Vantrel-scans.csv";

/// The header line of a new scans log, without its line break. Columns
/// added later go at the end, and a reader passes over those it does not
/// know; a log begun with the first sixteen columns reads on, and its new
/// lines carry the later ones.
inline constexpr std::string_view kScanLogHeader =
    "utc,procedure,source,frequency_mhz,elevation_deg,az_offset_deg,az_offset_sigma_deg,"
    "el_offset_deg,el_offset_sigma_deg,hpbw_az_deg,hpbw_el_deg,peak_y_db,fit_chi2_az,"
    "fit_chi2_el,peak_time_utc,status,width_az_deg,width_el_deg,disk_deg,antenna,"
    "beam_assumed_deg,tau_s,settle_s,station";

/// The status of a scan that stopped part-way; an empty status is a whole
/// scan.
inline constexpr std::string_view kPartialStatus = "partial";

/// One cross or drift scan as the log keeps it. Angles in degrees, the
/// azimuth offset a true angle on the sky; an empty value was not found.
struct ScanRecord {
    std::string Utc;       ///< when it ended, "YYYY-MM-DDTHH:MM:SSZ"
    std::string Procedure; ///< "cross", "drift" or "grid"
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
    // Columns added later; empty in the lines of a first-version log.
    /// The width on the source, before a disk's own width was taken off
    /// (HpbwAzDeg, HpbwElDeg are the antenna's beam); for a point source
    /// the same.
    std::optional<double> WidthAzDeg;
    std::optional<double> WidthElDeg;
    std::optional<double> DiskDeg; ///< the disk taken off (the Sun, the Moon); empty for a point
    std::string Antenna;           ///< "dish 3 m, efficiency 0.55" or "gain 20 dBi"
    std::optional<double> BeamAssumedDeg; ///< the beamwidth the procedure ran with
    std::optional<double> TauS;           ///< the integration time, seconds
    std::optional<double> SettleS;        ///< the settle time, seconds
    std::string Station; ///< "PA0ABC 52.3700N 4.9000E": call sign, latitude, longitude

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
/// The record of a grid that ended at `utc` (procedure "grid"): the 2-D
/// fit's offsets, beamwidths, peak and reduced χ² (in both χ² columns).
ScanRecord RecordOf(const GridScanResult& result, DateTime utc, const std::string& title,
                    double frequencyMHz);

/// "CALL 52.3700N 4.9000E" (the call sign left out when there is none):
/// the station's text for the log, four decimals of a degree.
std::string ScanLogStation(const std::string& callSign, double latitudeDeg, double longitudeDeg);

/// Puts what a scan assumed into its record: the settings' beamwidth, τ
/// and settle time, the antenna's and the station's texts.
void NoteAssumptions(ScanRecord& record, const ScanSettings& settings, std::string antenna,
                     std::string station);

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
/// time or source, an open quote) is skipped with a note. A first-version
/// line of sixteen fields leaves the later ones empty; fields after the
/// twenty-fourth are ignored.
ScanLog ParseScanLog(std::string_view text);

/// Reads the log at `path`: nothing for a missing file; the reason when it
/// exists but cannot be read.
std::optional<std::string> ReadScanLog(const std::string& path, ScanLog& log);

} // namespace vantrel::scan
