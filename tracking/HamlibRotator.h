#pragma once

#include "tracking/Rotator.h"

#include <memory>
#include <vector>

namespace vantrel {

/// A rotator driven by Hamlib's C library: any model by number (model 1 the
/// dummy, model 2 a rotctld over TCP, the rest serial controllers), with
/// its device and serial speed. Opening and every exchange block up to the
/// settings' timeout (Hamlib's own retries are turned off; a TCP connect to
/// a host that does not answer at all may take longer, as Hamlib puts no
/// limit on it). Errors carry Hamlib's code and a sentence naming the
/// rotator, e.g. "The rotator at localhost:4533 does not answer (timeout).".
/// Hamlib's debug output is switched off for the whole process.
std::unique_ptr<Rotator> MakeHamlibRotator(const RotatorSettings& settings);

/// Hamlib's rotator models, sorted by model number.
std::vector<RotatorModel> HamlibRotatorModels();

} // namespace vantrel
