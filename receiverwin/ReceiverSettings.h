#pragma once

#include "receiverwin/ReceiverSetup.h"

#include <QString>

namespace vantrel {

/// Section of "Vanset.ini" that keeps the Receiver window's values.
inline constexpr const char* kReceiverSection = "Receiver";

/// The Receiver window's values stored in "Vanset.ini" in `directory` (the
/// current folder when empty). A missing file or key, or a value that is
/// refused (a number out of its field's range, an unknown input or unit, a
/// band that is not LO:HI, a text with a line break), gives that key's
/// default. An empty "SdrFrequencyMHz" is the observing frequency, an empty
/// "SdrGainDb" the device's own gain, an empty band the whole band.
ReceiverSetup LoadReceiverSetup(const QString& directory);

/// Writes section "Receiver": "Input" ("sdr", "audio", "command", "rig"),
/// "SdrDevice", "SdrFrequencyMHz", "SdrRateHz", "SdrGainDb", "SdrAntenna",
/// "SdrBand" ("LO:HI" in Hz), "AudioDevice", "AudioRateHz", "AudioChannel",
/// "AudioBand", "Command", "CommandUnit" ("dbm", "db", "w", "mw"),
/// "CommandColumn", "RigModel", "RigDevice", "TauS", "Bins", "RfiFilter"
/// (0 or 1). Returns false when the file could not be written.
bool SaveReceiverSetup(const QString& directory, const ReceiverSetup& setup);

} // namespace vantrel
