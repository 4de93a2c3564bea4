#pragma once

#include "trackwin/TrackSetup.h"

#include <QRect>
#include <QString>

#include <optional>

namespace vantrel {

/// Section of "Vanset.ini" that keeps the Track window's values.
inline constexpr const char* kTrackSection = "Track";

/// The Track window's values stored in "Vanset.ini" in `directory` (the
/// current folder when empty). A missing file or key, or a value that is
/// refused (a number out of its field's range, an unknown source or azimuth
/// range key, a device with blanks), gives that key's default; elevation
/// limits that contradict each other both take their defaults.
TrackSetup LoadTrackSetup(const QString& directory);

/// Writes section "Track": "Source" (the short key, "cas"), "Model",
/// "Device", "SerialSpeed", "PeriodS", "ThresholdDeg", "ThresholdFromBeam" (0
/// or 1; missing, 1 unless ThresholdDeg differs from 0.5), "AzimuthRange"
/// ("0:360", "-180:180", "0:450"), "MinElevationDeg", "MaxElevationDeg",
/// "AzimuthOffsetDeg", "ElevationOffsetDeg", "OffSourceDeg", "ParkWhenSet"
/// (0 or 1), "OwnPark" (1 for the controller's own park position),
/// "ParkAzimuthDeg", "ParkElevationDeg". A setup that is refused as a whole
/// is not written. Returns false when it was refused or the file could not
/// be written.
bool SaveTrackSetup(const QString& directory, const TrackSetup& setup);

/// The window's place and size as stored ("Left", "Top" of its frame,
/// "Width", "Height" of its client area, pixels, section "Track"); empty when a key is missing or
/// not a whole number, or the size is not positive.
std::optional<QRect> LoadTrackWindowRect(const QString& directory);
/// Stores the window's place and size; false when the file could not be
/// written.
bool SaveTrackWindowRect(const QString& directory, const QRect& rect);

} // namespace vantrel
