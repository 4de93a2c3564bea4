#pragma once

#include "eme/DxStation.h"
#include "eme/EmeCalculator.h"
#include "eme/MoonWindows.h"
#include "eme/SkyDegradation.h"

#include <span>
#include <string>
#include <vector>

namespace vantrel::eme {

/// The common windows of several DX stations with home over one span, and
/// how good each is for a sked: its length, the highest elevation the Moon
/// reaches at both ends at once, and DGRD.

/// One common window with one DX station.
struct DxSkedWindow {
    std::string Dx; ///< the DX station as it is named ("W5LUA EM13qc")
    MoonWindow Window;
    /// The highest over the window of the lower of the two elevations,
    /// degrees (sampled every kCommonElevationStepS and at both edges): how
    /// high the Moon stands for both at the best moment.
    double CommonElevationDeg = MoonSight::kNaN;
    /// DGRD at home at the window's middle, dB (eme/SkyDegradation.h); NaN
    /// without a sky map.
    double DegradationDb = MoonSight::kNaN;
};

/// The step of the common elevation's sampling, seconds: the Moon's
/// elevation changes by at most a quarter of a degree a minute.
inline constexpr std::int64_t kCommonElevationStepS = 60;

/// What the search of every DX station takes besides the stations.
struct DxSkedSearch {
    EmeSite Home;
    ObservingConditions Conditions; ///< the band and the refraction
    WindowSearch Span;              ///< the days, the minimum elevations, home's skyline
    Ut1MinusUtc Ut1;
    /// The sky behind the Moon for DGRD (null: none; it must outlive the
    /// search), home's and the DX station's beams (degrees) and the
    /// receiver temperature (K).
    const sky::SkyBrightness* Sky = nullptr;
    double HomeHpbwDeg = 0;
    double DxHpbwDeg = 0;
    double ReceiverK = kDefaultReceiverK;
};

/// The common windows of each of `dx` with home, in the order of `dx` and
/// of time; empty, with `complete` false, when `progress` stopped it.
/// Milliseconds of CPU per station and week.
std::vector<DxSkedWindow> FindDxSkeds(std::span<const DxStation> dx, const DxSkedSearch& search,
                                      const WindowProgress& progress, bool& complete);

/// The orders the list can be put in.
enum class DxSkedOrder {
    Start,           ///< the earliest first
    Length,          ///< the longest first
    CommonElevation, ///< the highest common elevation first
    Degradation,     ///< the least degraded (DGRD nearest 0) first; NaN last
};

/// Puts `windows` in `order`; equal ones keep their order.
void SortDxSkeds(std::vector<DxSkedWindow>& windows, DxSkedOrder order);

/// The list as CSV: a first line naming what it is for
/// ("# station DL0ABC 52.52,13.405 frequency_mhz 1296 min_el_home_deg 0
/// min_el_dx_deg 5"), then
/// "dx,start_utc,end_utc,duration_min,common_el_deg,max_el_home_deg,
/// max_el_dx_deg,dgrd_db" and one row per window (the DX quoted when it
/// holds a comma).
std::string DxSkedsCsv(std::span<const DxSkedWindow> windows, const std::string& station,
                       double frequencyMHz, double homeMinDeg, double dxMinDeg);

} // namespace vantrel::eme
