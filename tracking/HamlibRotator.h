#pragma once

#include "tracking/Rotator.h"

#include <memory>
#include <vector>

namespace vantrel {

/// A rotator driven by Hamlib's C library: any model by number (model 1 the
/// dummy, model 2 a rotctld over TCP, the rest serial controllers), with
/// its device and serial speed. Opening and every exchange block up to the
/// settings' timeout.
std::unique_ptr<Rotator> MakeHamlibRotator(const RotatorSettings& settings);

/// Hamlib's rotator models, sorted by model number.
std::vector<RotatorModel> HamlibRotatorModels();

} // namespace vantrel
