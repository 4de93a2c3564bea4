#pragma once

#include "radiometer/BlockIntegrator.h"
#include "radiometer/PowerInput.h"

#include <string>
#include <string_view>

namespace vantrel {

/// What a block of this stream measures, as a phrase for the user: total
/// power of the whole sampled band (with its B), or spectral (the bins, their
/// width and the band measured, or how much of each edge is left out), or
/// readings; and, when whole frames make a block differ from τ by more than
/// 1 %, how long a block really is. `tauName` names τ as the user set it
/// ("--tau", "τ").
std::string MeasurementText(const IntegrationSettings& settings, const StreamDescription& stream,
                            std::string_view tauName);

} // namespace vantrel
