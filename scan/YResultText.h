#pragma once

#include "scan/YFactorSequence.h"

#include <string>

namespace vantrel::scan {

/// The result of a Y-factor sequence as the Scan window shows it, one
/// sentence a line: Y with its σ and the pairs' Y by side (dB to 0.001 and
/// 0.01); G/T with its σ and the beam correction K (dB/K to 0.01), or why
/// there is none; with an off point of the sky model, the two skies and
/// their difference (K to 1) and the G/T with the background taken out.
std::string YResultText(const YFactorResult& result);

} // namespace vantrel::scan
