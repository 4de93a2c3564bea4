#include "eme/EmeCsv.h"

#include <cmath>
#include <cstdio>

namespace vantrel::eme {

namespace {

constexpr double kSecondsPerMinute = 60.0;

/// ",value" with `decimals` decimals, or "," alone for NaN.
void Field(std::string& out, double value, int decimals) {
    out += ',';
    if (!std::isfinite(value)) {
        return;
    }
    char text[48];
    // A value that rounds to zero prints without a sign.
    const double shown = std::fabs(value) < 0.5 * std::pow(10.0, -decimals) ? 0.0 : value;
    std::snprintf(text, sizeof text, "%.*f", decimals, shown);
    out += text;
}

} // namespace

std::string UtcText(UtcSeconds utc) {
    const DecodedInstant d = DecodeInstant(DateTimeOf(utc));
    char text[64];
    std::snprintf(text, sizeof text, "%04u-%02u-%02uT%02u:%02u:%02uZ", unsigned{d.Year},
                  unsigned{d.Month}, unsigned{d.Day}, unsigned{d.Hour}, unsigned{d.Minute},
                  unsigned{d.Second});
    return text;
}

std::string MomentCsvHeader(bool withDx) {
    std::string h = "utc,moon_az_deg,moon_el_deg,distance_km,echo_delay_s,echo_doppler_hz,"
                    "path_loss_db,path_loss_change_db";
    if (withDx) {
        h += ",dx_moon_az_deg,dx_moon_el_deg,dx_doppler_hz,polarisation_offset_deg";
    }
    h += withDx ? ",tsky_home_k,tsky_dx_k,dgrd_db,dgrd_dx_db,sun_moon_deg,"
                  "echo_doppler_rate_hz_per_min,dx_doppler_rate_hz_per_min,echo_spread_hz,"
                  "dx_spread_hz"
                : ",tsky_home_k,dgrd_db,sun_moon_deg,echo_doppler_rate_hz_per_min,echo_spread_hz";
    h += '\n';
    return h;
}

std::string MomentCsvRow(const EmeMoment& m, bool withDx) {
    std::string row = UtcText(m.Utc);
    Field(row, m.Home.AzimuthDeg, 3);
    Field(row, m.Home.ElevationDeg, 3);
    Field(row, m.Home.DistanceKm, 3);
    Field(row, m.EchoDelayS, 6);
    Field(row, m.EchoDopplerHz, 1);
    Field(row, m.PathLossDb, 3);
    Field(row, m.PathLossChangeDb, 3);
    if (withDx) {
        Field(row, m.Dx.AzimuthDeg, 3);
        Field(row, m.Dx.ElevationDeg, 3);
        Field(row, m.DxDopplerHz, 1);
        Field(row, m.PolarisationOffsetDeg, 1);
    }
    Field(row, m.SkyHomeK, 1);
    if (withDx) {
        Field(row, m.SkyDxK, 1);
    }
    Field(row, m.DegradationDb, 2);
    if (withDx) {
        Field(row, m.DxDegradationDb, 2);
    }
    Field(row, m.SunMoonDeg, 2);
    Field(row, m.EchoDopplerRateHzPerMin, 2);
    if (withDx) {
        Field(row, m.DxDopplerRateHzPerMin, 2);
    }
    Field(row, m.EchoSpreadHz, 2);
    if (withDx) {
        Field(row, m.DxSpreadHz, 2);
    }
    row += '\n';
    return row;
}

std::string WindowsCsv(std::span<const MoonWindow> windows, bool withMiddle) {
    std::string out = "start_utc,end_utc,duration_min,max_el_home_deg,max_el_dx_deg";
    if (withMiddle) {
        out += ",mid_echo_doppler_hz,mid_dx_doppler_hz,mid_path_loss_change_db";
    }
    out += '\n';
    for (const MoonWindow& w : windows) {
        out += UtcText(w.Start);
        out += ',';
        out += UtcText(w.End);
        Field(out, static_cast<double>(w.DurationS()) / kSecondsPerMinute, 1);
        Field(out, w.MaxElevationHomeDeg, 2);
        Field(out, w.MaxElevationDxDeg, 2);
        if (withMiddle) {
            Field(out, w.MidEchoDopplerHz, 1);
            Field(out, w.MidDxDopplerHz, 1);
            Field(out, w.MidPathLossChangeDb, 3);
        }
        out += '\n';
    }
    return out;
}

} // namespace vantrel::eme
