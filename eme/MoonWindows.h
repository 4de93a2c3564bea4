#pragma once

#include "eme/EmeCalculator.h"
#include "eme/MoonSight.h"
#include "skychart/HorizonProfile.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

namespace vantrel::eme {

/// Accepted minimum elevations of the Moon, degrees: from the lowest a
/// horizon profile may hold to the zenith.
inline constexpr double kLowestMinElevationDeg = -5.0;
inline constexpr double kHighestMinElevationDeg = 90.0;
/// Days ahead that the EME window, and `vantrel-eme --windows` without
/// dates, look for common windows.
inline constexpr int kWindowDaysAhead = 7;

/// The longest step between two looks at the Moon, seconds: the Moon's
/// elevation changes by at most about 1.3° in five minutes, so no window
/// of five minutes and more is missed, whatever interval the caller asks.
inline constexpr std::int64_t kMaxWindowStepS = 300;
/// The longest search, days: ten years (a search of that length looks at
/// the Moon about a million times and takes some seconds).
inline constexpr std::int64_t kMostWindowSearchDays = 3653;

/// What a search for common Moon windows covers.
struct WindowSearch {
    UtcSeconds Start = 0; ///< first instant searched
    UtcSeconds End = 0;   ///< the search ends before this instant
    /// Coarse step between the instants looked at, seconds, at least 1; a
    /// longer one than kMaxWindowStepS is taken as that. A window shorter
    /// than the step may be missed; every edge found is then placed to the
    /// second.
    std::int64_t StepS = kMaxWindowStepS;
    /// Each station's lowest elevation for the Moon (degrees; elevations as
    /// the grids show them, refracted with refraction on).
    double HomeMinElevationDeg = 0;
    double DxMinElevationDeg = 0;
    /// The home station's skyline: the Moon behind it does not count as up.
    std::optional<HorizonProfile> HomeHorizon;
};

/// One interval in which the Moon is up for both stations (for home alone
/// without a DX station).
struct MoonWindow {
    UtcSeconds Start = 0; ///< first second with the Moon up for both
    UtcSeconds End = 0;   ///< first second after it (or the search's end)
    /// The window was already open at the search's start, or still open at
    /// its end: the Moon may have been up before, or stay up after.
    bool OpenAtStart = false;
    bool OpenAtEnd = false;
    /// The highest elevation of the Moon within the window at each end of
    /// the path, degrees (DX NaN without a DX station).
    double MaxElevationHomeDeg = MoonSight::kNaN;
    double MaxElevationDxDeg = MoonSight::kNaN;
    /// At the middle of the window: the echo's and the DX signal's Doppler
    /// shift (Hz; DX NaN without one) and the path-loss change (dB).
    double MidEchoDopplerHz = MoonSight::kNaN;
    double MidDxDopplerHz = MoonSight::kNaN;
    double MidPathLossChangeDb = MoonSight::kNaN;

    std::int64_t DurationS() const { return End - Start; }
};

/// Outcome of a search.
struct WindowSearchResult {
    std::vector<MoonWindow> Windows; ///< in time order, never overlapping
    bool Complete = true;            ///< false when the progress callback stopped it
};

/// Told the fraction done (0..1) every few hundred instants; returns false to
/// stop the search (what was found so far is returned).
using WindowProgress = std::function<bool(double fraction)>;

/// The intervals of `search` in which the Moon stands at or above each
/// station's minimum elevation (and, at home, not behind the skyline).
///
/// The Moon is looked at every `StepS` seconds (at most kMaxWindowStepS)
/// from `Start` and at `End`;
/// where its state changes between two looks, the edge is found to the
/// second by bisection, so an edge lies within one second of the true one
/// (for a window not shorter than a step). The highest elevation of each
/// station is refined around its best look by a golden-section search to
/// about a second. Instants without a place (outside 1900..2100) count as
/// the Moon down.
///
/// Cost: two places per look (about a microsecond), about 20 more per edge
/// and per maximum; the seven days of the EME window at five-minute steps
/// take about 4 ms.
WindowSearchResult FindMoonWindows(EmeCalculator& calculator, const WindowSearch& search,
                                   const WindowProgress& progress = {});

} // namespace vantrel::eme
