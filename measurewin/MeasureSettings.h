#pragma once

#include "measurewin/MeasureSetup.h"

#include <QString>

namespace vantrel {

/// Section of "Vanset.ini" that keeps the Measure window's values.
inline constexpr const char* kMeasureSection = "Measure";

/// The Measure window's values stored in "Vanset.ini" in `directory` (the
/// current folder when empty). A missing file or key, or a value that is
/// refused (not a number, not positive, an efficiency above 1, an antenna
/// kind other than 0 or 1, a solar flux text that is not one), gives that
/// key's default; "Source" is read as it is, matched against the titles by
/// the window.
MeasureSetup LoadMeasureSetup(const QString& directory);

/// Writes section "Measure": "AntennaKind" (0 dish, 1 gain), "DishDiameterM",
/// "Efficiency", "GainDbi", "TsysK", "SolarFlux" (the text as typed),
/// "MoonTemperatureK", "MoonTemperatureTyped" ("true" when the Moon's
/// temperature is the one typed; removed for the Moon by its phase), "HpbwDeg" (a typed beamwidth;
/// removed when the antenna's own is used), "Source" (the source last measured on, by its title),
/// "SolarFluxFile" (the observatory's file the Sun's flux is read from; removed without one);
/// a value that is not a finite number (or a solar flux text that is
/// refused, or an empty source) leaves its key as it was. Returns false when
/// the file could not be written.
bool SaveMeasureSetup(const QString& directory, const MeasureSetup& setup);

} // namespace vantrel
