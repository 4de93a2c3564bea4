#pragma once

#include "radiometer/PowerBlock.h"

#include <optional>
#include <span>
#include <string>

namespace vantrel {

/// What a calibrator's on and off readings give: the receiver's gain as
/// kelvin per unit of linear power, so that any power P of the same
/// receiver reads as a temperature T = P · KPerUnit (the system temperature
/// referred to the antenna's port, with whatever the antenna sees), and a
/// difference of powers as an antenna temperature.
///
///   g = T_cal / (P_on − P_off)        K per unit of power
///   T_sys = T_cal · P_off / (P_on − P_off)
///
/// P the mean linear power of the blocks (never averaged in dB); with off
/// readings before and after, P_off is their mean, which takes a gain drift
/// linear in time out. The relative σ of g from the blocks' σ (the
/// radiometer's, or their scatter when it is larger) propagated:
/// σ_g/g = √(σ_on² + σ_off²)/(P_on − P_off).
/// Reference: the noise-injection ("hot/cold") calibration of total-power
/// radiometers, e.g. Kraus, Radio Astronomy, 2nd ed., ch. 7.
struct CalibratorGain {
    double KPerUnit = 0;      ///< g, K per unit of linear power
    double SigmaRelative = 0; ///< σ_g / g
    double SystemK = 0;       ///< T_sys with the calibrator off, K
    double OnPower = 0;       ///< mean linear power, calibrator on
    double OffPower = 0;      ///< mean linear power, calibrator off
};

struct CalibratorGainResult {
    std::optional<CalibratorGain> Gain;
    std::string Problem; ///< why there is none, a sentence
};

/// The gain from blocks taken with the calibrator off (`offBefore`, and
/// `offAfter` when there are any) and on, for a calibrator of `calK`
/// kelvin excess temperature (> 0). Refused: no blocks on either side, a
/// block overloaded, or the calibrator adding less than three of the
/// difference's σ (not switched, or too weak for the integration time).
CalibratorGainResult CalibratorGainOf(std::span<const PowerBlock> offBefore,
                                      std::span<const PowerBlock> on,
                                      std::span<const PowerBlock> offAfter, double calK);

} // namespace vantrel
