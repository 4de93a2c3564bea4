#pragma once

#include "astro/DateTime.h"
#include "scan/Procedure.h"

#include <limits>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace vantrel::scan {

/// A header key of a scan's results: AZOFF, HPBWEL, ... (at most 8
/// characters, FITS's own rule).
struct FitsResultKey {
    std::string Name;
    double Value = 0;
    std::string Comment; ///< "[deg] azimuth offset on the sky"
};

/// What the primary header of a scan's FITS file says.
struct ScanFitsHeader {
    std::string Object;      ///< OBJECT: the source as the grids title it
    DateTime DateObsUtc = 0; ///< DATE-OBS: the first reading's start, UTC
    std::string Telescope;   ///< TELESCOP: the station's call sign
    std::string Procedure;   ///< PROCEDUR: "cross", "grid", "drift", "record", ...
    double SiteLatDeg = 0;   ///< SITELAT, degrees north
    double SiteLongDeg = 0;  ///< SITELONG, degrees east
    double SiteElevM = 0;    ///< SITEELEV, metres
    double FrequencyHz = 0;  ///< FREQ, Hz
    double BandwidthHz = 0;  ///< BANDWID, Hz (0: not known, the key left out)
    double HpbwDeg = 0;      ///< HPBW, degrees
    double TauS = 0;         ///< TAU, seconds
    std::vector<FitsResultKey> Results;
};

/// One row of the SCAN table: one reading.
struct ScanFitsRow {
    static constexpr double kNone = std::numeric_limits<double>::quiet_NaN();
    double TimeMjd = 0;     ///< TIME: the reading's middle, MJD (UTC)
    double AzDeg = kNone;   ///< AZ: where the beam pointed on the sky, degrees
    double ElDeg = kNone;   ///< EL
    double DAzDeg = kNone;  ///< DAZ: offset from the source on the sky (ΔA cos e), degrees
    double DElDeg = kNone;  ///< DEL
    double Power = 0;       ///< POWER: linear, the radiometer's unit
    double PowerDb = 0;     ///< POWER_DB
    double SigmaDb = kNone; ///< SIGMA_DB: one sigma, dB
    double TantK = kNone;   ///< TANT: antenna temperature, K, when calibrated
};

/// The modified Julian date of a DateTime (days since 1899-12-30): MJD =
/// t + 15018.
double MjdOf(DateTime utc);

/// The rows of a procedure's readings: where the rotator reported to point
/// (on the sky) against the source's place then; NaN where it reported
/// nothing.
std::vector<ScanFitsRow> FitsRowsOf(std::span<const Reading> readings);

/// "FOLDER/20261210T180005Z-cross-cas.fits".
std::string ScanFitsName(const std::string& folder, DateTime utc, const std::string& procedure,
                         const std::string& sourceKey);

/// Writes a scan as a FITS file with cfitsio: an empty primary array with
/// the header above (and ORIGIN, DATE), then a binary table SCAN, one row a
/// reading, columns TIME (D, MJD), AZ, EL, DAZ, DEL (D, deg), POWER, POWER_DB,
/// SIGMA_DB (D) and, when `calibrated`, TANT (D, K); units in TUNITn.
/// Written to a file of its own beside `path` and renamed over it once
/// complete, so a reader never sees half a file. Returns a sentence when it
/// cannot be written.
std::optional<std::string> WriteScanFits(const std::string& path, const ScanFitsHeader& header,
                                         std::span<const ScanFitsRow> rows, bool calibrated);

} // namespace vantrel::scan
