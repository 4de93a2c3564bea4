#pragma once

#include "radiometer/PowerRunner.h"
#include "tools/PowerOptions.h"

namespace vantrel {

/// Opens the radiometer's input the command line chose (--input sdr, audio,
/// command or rig, with its settings), for a PowerRunner of vantrel-power
/// or vantrel-scan; each call opens it afresh.
PowerRunner::Factory PowerInputFactory(const PowerCommandLine& o);

} // namespace vantrel
