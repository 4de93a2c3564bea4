#pragma once

#include "apparent/ObservingConditions.h"

#include <QString>

namespace vantrel {

/// Section of "Vanset.ini" that keeps the observing conditions; the window
/// position keeps its own section "Position".
inline constexpr const char* kObservingSection = "Observing";

/// The observing conditions stored in "Vanset.ini" in `directory` (the
/// current folder when empty). A missing file or key, or a value that is
/// not accepted (not a number, out of its range, not 0 or 1 for a switch),
/// gives that key's default, so a damaged file can never switch an option
/// on or put an impossible pressure into the computation.
ObservingConditions LoadObservingConditions(const QString& directory);

/// Writes the six keys of section "Observing": "ApparentPlaces" and
/// "RadioRefraction" (0 or 1), "PressureHpa", "TemperatureC",
/// "RelativeHumidityPercent", "FrequencyMHz" (decimal numbers with a point,
/// read back to the same double). Returns false when the file could not be
/// written; the file is then left as it was.
bool SaveObservingConditions(const QString& directory, const ObservingConditions& conditions);

} // namespace vantrel
