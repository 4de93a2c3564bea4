#pragma once

#include "apparent/ObservingConditions.h"

#include <limits>
#include <string>

namespace vantrel {

/// What a table holds, in words, for the caption of the main window and the
/// header of a printout: empty with both options off (the classic table),
/// else "apparent places of date", "radio refraction 1013.25 hPa 10 °C
/// 50 % 1420 MHz", or both joined by ", ", and with apparent places which
/// UT1 the table uses over the UTC instants `firstUtcMjd`..`lastUtcMjd`
/// (Ut1Description: "UT1 = UTC", "UT1 from IERS finals2000A, predicted", ...;
/// NaN for both: the series' whole span). Numbers are written with the
/// fewest digits that read back to the same value (UTF-8 text).
std::string ConditionsSummary(const ObservingConditions& conditions,
                              double firstUtcMjd = std::numeric_limits<double>::quiet_NaN(),
                              double lastUtcMjd = std::numeric_limits<double>::quiet_NaN());

} // namespace vantrel
