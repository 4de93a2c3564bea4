#pragma once

#include "astro/DateTime.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace vantrel {

/// One labelled mark of a time axis.
struct TimeTick {
    DateTime Utc = 0;  ///< where the mark stands, UTC days since 30 December 1899
    std::string Label; ///< "HH:MM", or "D Mon" (e.g. "1 Dec") at midnight
};

/// Marks for a time axis from `firstUtc` to `lastUtc` on a clock that runs
/// `offsetMinutes(utc)` minutes ahead of UTC (0 for the UTC axis; the
/// station's offset, daylight hour included, for the local one). The marks
/// fall on round times of that clock, every 2 hours for up to a day and a
/// half, every 6 hours up to three and a half days, every day up to ten,
/// every 2 days up to twenty and every 4 days beyond; midnights are
/// labelled with the date. Where that gives more than `maxTicks` marks (the
/// whole labels that fit on the axis), the next longer step that gives no
/// more is taken: 3, 4, 6 and 12 hours, 1, 2, 4, 7 and 14 days, then whole
/// multiples of 14 days; midnights stay among the marks. Whole minutes;
/// empty when the range is empty or `maxTicks` is 0.
std::vector<TimeTick> TimeTicks(DateTime firstUtc, DateTime lastUtc,
                                const std::function<int(DateTime)>& offsetMinutes,
                                std::size_t maxTicks = SIZE_MAX);

} // namespace vantrel
