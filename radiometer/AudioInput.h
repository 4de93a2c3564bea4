#pragma once

#include "radiometer/PowerInput.h"

#include <memory>
#include <string>
#include <vector>

namespace vantrel {

/// Which sound card input and how to read it.
struct AudioSettings {
    std::string Device = "default"; ///< ALSA PCM name: "default", "pulse", "hw:1,0", "plughw:1"
    unsigned RateHz = 48000;        ///< samples a second
    unsigned Channel = 1;           ///< 1 the first (left), 2 the second (right), ...

    bool operator==(const AudioSettings&) const = default;
};

/// A sound card channel through ALSA, captured as 16-bit (or 32-bit, or
/// float) samples scaled to full scale 1 (s/32768 for 16 bits): real
/// samples for the integrator, power in dBFS. The device is opened with
/// at least two channels when it has them, the channel asked for taken
/// out: through ALSA's plug layer a single channel would be the mix of
/// them all.
///
/// Errors: a device that does not exist, is busy, or went away: Retry. A
/// rate or channel the device does not offer: Refused. An overrun while
/// running: a gap (samples lost), the capture goes on.
std::unique_ptr<PowerInput> MakeAudioInput(const AudioSettings& settings);

/// One ALSA device that can capture.
struct FoundAudioDevice {
    std::string Name;        ///< what AudioSettings::Device takes: "default", "hw:CARD=PCH,DEV=0"
    std::string Description; ///< ALSA's description, its lines joined by " - "
};

/// The capture devices ALSA names (as 'arecord -L' lists them), from its
/// configuration and the cards present. Quick, but reads files: call it off
/// the user-interface thread's tick.
std::vector<FoundAudioDevice> FindAudioCaptureDevices();

} // namespace vantrel
