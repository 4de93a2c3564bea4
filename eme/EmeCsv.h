#pragma once

#include "eme/EmeCalculator.h"
#include "eme/MoonWindows.h"

#include <span>
#include <string>

namespace vantrel::eme {

/// The UTC instant as ISO 8601 text, "2026-03-14T05:06:07Z".
std::string UtcText(UtcSeconds utc);

/// The CSV header of the EME values at instants, with a line end:
/// "utc,moon_az_deg,moon_el_deg,distance_km,echo_delay_s,echo_doppler_hz,
/// path_loss_db,path_loss_change_db" and, with a DX station,
/// ",dx_moon_az_deg,dx_moon_el_deg,dx_doppler_hz,polarisation_offset_deg";
/// then the sked's figures: ",tsky_home_k,dgrd_db,sun_moon_deg,
/// echo_doppler_rate_hz_per_min,echo_spread_hz", with a DX station
/// ",tsky_home_k,tsky_dx_k,dgrd_db,dgrd_dx_db,sun_moon_deg,
/// echo_doppler_rate_hz_per_min,dx_doppler_rate_hz_per_min,echo_spread_hz,
/// dx_spread_hz" (sky temperatures to 0.1 K, the rest to 0.01).
std::string MomentCsvHeader(bool withDx);

/// One CSV line of `moment` (with a line end) under `MomentCsvHeader(withDx)`:
/// angles to 0.001° (the offset to 0.1°), the distance to 0.001 km, the delay
/// to 1 µs, Doppler shifts to 0.1 Hz, losses to 0.001 dB. A value that could
/// not be computed is an empty field.
std::string MomentCsvRow(const EmeMoment& moment, bool withDx);

/// The common Moon windows as CSV, header first:
/// "start_utc,end_utc,duration_min,max_el_home_deg,max_el_dx_deg" (the DX
/// field empty without a DX station); with `withMiddle` also
/// ",mid_echo_doppler_hz,mid_dx_doppler_hz,mid_path_loss_change_db", the
/// values at the middle of each window. Durations to 0.1 min, elevations to
/// 0.01°.
std::string WindowsCsv(std::span<const MoonWindow> windows, bool withMiddle);

} // namespace vantrel::eme
