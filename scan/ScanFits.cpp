#include "scan/ScanFits.h"

#include <fitsio.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <numbers>
#include <unistd.h>

namespace vantrel::scan {

namespace {

constexpr double kMjdOfDateTimeZero = 15018.0; // 1899-12-30 is MJD 15018

std::string IsoTime(DateTime utc, bool compact) {
    const DecodedInstant d = DecodeInstant(utc);
    char text[48];
    if (compact) {
        std::snprintf(text, sizeof text, "%04d%02d%02dT%02d%02d%02dZ", d.Year, d.Month, d.Day,
                      d.Hour, d.Minute, d.Second);
    } else {
        std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d.%03d", d.Year, d.Month,
                      d.Day, d.Hour, d.Minute, d.Second, d.Millisecond);
    }
    return text;
}

std::string FitsError(int status) {
    char text[FLEN_STATUS] = {};
    fits_get_errstatus(status, text);
    return text;
}

} // namespace

double MjdOf(DateTime utc) {
    return utc + kMjdOfDateTimeZero;
}

std::vector<ScanFitsRow> FitsRowsOf(std::span<const Reading> readings) {
    std::vector<ScanFitsRow> rows;
    rows.reserve(readings.size());
    for (const Reading& r : readings) {
        ScanFitsRow row;
        row.TimeMjd = MjdOf(0.5 * (r.UtcStart + r.UtcEnd));
        if (std::isfinite(r.PointedAzDeg) && std::isfinite(r.PointedElDeg)) {
            row.AzDeg = r.PointedAzDeg;
            row.ElDeg = r.PointedElDeg;
            double dAz = r.PointedAzDeg - r.SourceAzDeg;
            dAz -= 360.0 * std::round(dAz / 360.0);
            row.DAzDeg = dAz * std::cos(r.SourceElevationDeg * std::numbers::pi / 180.0);
            row.DElDeg = r.PointedElDeg - r.SourceElevationDeg;
        }
        row.PowerDb = r.PowerDb;
        row.Power = std::pow(10.0, r.PowerDb / 10.0);
        row.SigmaDb = r.SigmaDb;
        rows.push_back(row);
    }
    return rows;
}

std::string ScanFitsName(const std::string& folder, DateTime utc, const std::string& procedure,
                         const std::string& sourceKey) {
    return (std::filesystem::path(folder) /
            (IsoTime(utc, true) + "-" + procedure + "-" + sourceKey + ".fits"))
        .string();
}

std::optional<std::string> WriteScanFits(const std::string& path, const ScanFitsHeader& header,
                                         std::span<const ScanFitsRow> rows, bool calibrated) {
    const std::string partial = path + ".part";
    std::remove(partial.c_str());
    fitsfile* f = nullptr;
    int status = 0;
    fits_create_file(&f, partial.c_str(), &status);
    if (status != 0) {
        return "Cannot write the FITS file " + path + ": " + FitsError(status);
    }
    const auto keyString = [&](const char* key, const std::string& value, const char* comment) {
        fits_update_key_str(f, key, value.c_str(), comment, &status);
    };
    const auto keyDouble = [&](const char* key, double value, const char* comment) {
        if (std::isfinite(value)) {
            fits_update_key_dbl(f, key, value, 12, comment, &status);
        }
    };
    fits_create_img(f, BYTE_IMG, 0, nullptr, &status);
    keyString("ORIGIN", "Vantrel", "the program that wrote this file");
    fits_write_date(f, &status);
    keyString("OBJECT", header.Object, "the source");
    keyString("DATE-OBS", IsoTime(header.DateObsUtc, false), "UTC of the first reading");
    keyString("TIMESYS", "UTC", "");
    keyString("TELESCOP", header.Telescope, "the station's call sign");
    keyString("PROCEDUR", header.Procedure, "the scan");
    keyDouble("SITELAT", header.SiteLatDeg, "[deg] station latitude, north");
    keyDouble("SITELONG", header.SiteLongDeg, "[deg] station longitude, east");
    keyDouble("SITEELEV", header.SiteElevM, "[m] station height above sea level");
    keyDouble("FREQ", header.FrequencyHz, "[Hz] observing frequency");
    if (header.BandwidthHz > 0) {
        keyDouble("BANDWID", header.BandwidthHz, "[Hz] noise bandwidth");
    }
    keyDouble("HPBW", header.HpbwDeg, "[deg] half-power beamwidth assumed");
    keyDouble("TAU", header.TauS, "[s] integration time of a reading");
    for (const FitsResultKey& k : header.Results) {
        keyDouble(k.Name.c_str(), k.Value, k.Comment.c_str());
    }

    const int columns = calibrated ? 9 : 8;
    const char* names[] = {"TIME",  "AZ",       "EL",       "DAZ", "DEL",
                           "POWER", "POWER_DB", "SIGMA_DB", "TANT"};
    const char* forms[] = {"1D", "1D", "1D", "1D", "1D", "1D", "1D", "1D", "1D"};
    const char* units[] = {"d", "deg", "deg", "deg", "deg", "", "dB", "dB", "K"};
    fits_create_tbl(f, BINARY_TBL, 0, columns, const_cast<char**>(names), const_cast<char**>(forms),
                    const_cast<char**>(units), "SCAN", &status);
    keyString("TIMEREF", "UTC", "TIME is the MJD of the reading's middle");
    std::vector<double> column(rows.size());
    const auto write = [&](int number, double ScanFitsRow::*field) {
        for (std::size_t i = 0; i < rows.size(); ++i) {
            column[i] = rows[i].*field;
        }
        fits_write_col(f, TDOUBLE, number, 1, 1, static_cast<LONGLONG>(rows.size()), column.data(),
                       &status);
    };
    if (!rows.empty()) {
        write(1, &ScanFitsRow::TimeMjd);
        write(2, &ScanFitsRow::AzDeg);
        write(3, &ScanFitsRow::ElDeg);
        write(4, &ScanFitsRow::DAzDeg);
        write(5, &ScanFitsRow::DElDeg);
        write(6, &ScanFitsRow::Power);
        write(7, &ScanFitsRow::PowerDb);
        write(8, &ScanFitsRow::SigmaDb);
        if (calibrated) {
            write(9, &ScanFitsRow::TantK);
        }
    }
    int closing = 0;
    fits_close_file(f, &closing);
    if (status == 0) {
        status = closing;
    }
    if (status != 0) {
        std::remove(partial.c_str());
        return "Cannot write the FITS file " + path + ": " + FitsError(status);
    }
    if (std::rename(partial.c_str(), path.c_str()) != 0) {
        std::remove(partial.c_str());
        return "Cannot write the FITS file " + path + ": it cannot be renamed into place";
    }
    return std::nullopt;
}

} // namespace vantrel::scan
