#pragma once

#include "radiometer/PowerInput.h"

#include <chrono>
#include <memory>
#include <string>

namespace vantrel {

/// Which rig and how to reach it.
struct RigSettings {
    int Model = 2;                         ///< Hamlib rig model; 2 is the network rigctld
    std::string Device = "localhost:4532"; ///< serial port, or host:port for model 2
    int SerialSpeed = 0;                   ///< baud; 0 keeps the model's default
    std::chrono::milliseconds Poll{200};   ///< between readings of the S-meter

    bool operator==(const RigSettings&) const = default;
};

/// A rig's S-meter through Hamlib's rig API: the level STRENGTH, whole dB
/// relative to S9, read every poll period, one reading each. Fit for
/// peaking an antenna, not for G/T: its blocks are marked WholeDbSteps.
///
/// Errors: a model Hamlib does not know, or one that cannot read its
/// S-meter: Refused. A rig that cannot be opened or stops answering: Retry.
std::unique_ptr<PowerInput> MakeRigInput(const RigSettings& settings);

} // namespace vantrel
