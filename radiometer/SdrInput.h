#pragma once

#include "radiometer/PowerInput.h"

#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace vantrel {

/// Which SDR and how to set it.
struct SdrSettings {
    std::string
        DeviceArgs; ///< SoapySDR device arguments: "driver=rtlsdr", "driver=airspy,serial=..."
    std::optional<double> FrequencyMHz; ///< centre frequency, MHz; none keeps the device's
    double RateHz = 2.4e6;              ///< sample rate, samples a second
    std::optional<double>
        GainDb; ///< manual gain, dB; none keeps the device's (AGC is turned off either way)
    std::string Antenna; ///< antenna port; empty keeps the device's
    /// Frequency correction of the device's reference, parts per million
    /// (an RTL-SDR's crystal: tens); none keeps the device's.
    std::optional<double> PpmCorrection;
    /// Device settings by the names its module gives (getSettingInfo):
    /// "biastee" = "true", "direct_samp" = "2", ... in the order given.
    std::vector<std::pair<std::string, std::string>> Settings;
    /// Gains of single elements by the names the device gives them (LNA,
    /// MIX, VGA, TUNER ...), dB, set after the overall gain.
    std::vector<std::pair<std::string, double>> GainElements;

    bool operator==(const SdrSettings&) const = default;
};

/// An SDR through SoapySDR: channel 0 of the device the arguments find,
/// its automatic gain turned off, complex samples read as CF32 (or CS16 or
/// CS8 scaled to full scale 1 when the device offers no CF32).
///
/// Errors: no device found, or one that cannot be made (busy, unplugged):
/// Retry. A rate, frequency, gain, gain element, setting, frequency
/// correction or antenna the device refuses or does not have: Refused,
/// with what it offers. An overflow while running: a gap (samples lost), the
/// stream goes on. A stream error or a device that stops answering: Retry.
std::unique_ptr<PowerInput> MakeSdrInput(const SdrSettings& settings);

/// One SDR that SoapySDR finds.
struct FoundSdr {
    std::string Args;  ///< device arguments that name it: "driver=rtlsdr,serial=00000001"
    std::string Label; ///< the module's name for it, for a list to choose from
};

/// The SDRs SoapySDR finds through its installed modules. Blocks, for up
/// to seconds with some modules: call it off the user-interface thread.
/// Empty when none is found or enumeration fails.
std::vector<FoundSdr> FindSdrs();

} // namespace vantrel
