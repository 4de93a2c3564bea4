#pragma once

#include "scanwin/ScanSetup.h"

#include <QRect>
#include <QString>

#include <optional>

namespace vantrel {

/// Section of "Vanset.ini" that keeps the Scan window's values.
inline constexpr const char* kScanSection = "Scan";

/// The Scan window's values stored in "Vanset.ini" in `directory` (the
/// current folder when empty). A missing file or key, or a value that is
/// refused (out of its field's range, an unknown procedure or source key),
/// gives that key's default.
ScanSetup LoadScanSetup(const QString& directory);

/// Writes section "Scan": "Procedure" (y, cross, drift), "Source" (the
/// short key, "sun"), "BeamFromAntenna" (0 or 1), "BeamwidthDeg", "TauS",
/// "SettleS", "Pairs", "OffBeams", "ColdSky" (0 or 1), "ColdAzimuthDeg",
/// "ColdElevationDeg", "OffPoint" (alternate, colder, coldest), "SpanBeams", "Points", "Continuous"
/// (0 or 1), "AfterEnd" (track or stop). Settings that are refused as a whole are not written.
/// False when refused or the file could not be written.
bool SaveScanSetup(const QString& directory, const ScanSetup& setup);

/// The window's place and size ("Left", "Top", "Width", "Height" in
/// section "Scan", pixels); empty when a key is missing or not a whole
/// number, or the size is not positive.
std::optional<QRect> LoadScanWindowRect(const QString& directory);
bool SaveScanWindowRect(const QString& directory, const QRect& rect);

} // namespace vantrel
