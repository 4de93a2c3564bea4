#pragma once

#include "measure/Antenna.h"
#include "measure/MeasureConstants.h"

#include <limits>

namespace vantrel::eme {

/// The dish the beam behind the Moon is taken from when the user gives no
/// half-power width: the Measure window's default antenna, a 3 m dish of
/// aperture efficiency 0.55.
inline constexpr double kDefaultDishM = 3.0;
inline constexpr double kDefaultDishEfficiency = 0.55;

/// Half-power widths the program accepts, degrees.
inline constexpr double kLowestHpbwDeg = 0.05;
inline constexpr double kHighestHpbwDeg = 120.0;

/// The default half-power beamwidth at `frequencyMHz`, degrees: 70·λ/D for
/// the default dish (measure/Antenna.h, as the Measure window derives it);
/// 11.7° at 144 MHz, 5.4° at 1296 MHz. NaN for a frequency that is not > 0.
inline double DefaultHpbwDeg(double frequencyMHz) {
    const auto beam = measure::DishBeam(kDefaultDishM, kDefaultDishEfficiency, frequencyMHz);
    return beam ? beam->BeamwidthDeg : std::numeric_limits<double>::quiet_NaN();
}

} // namespace vantrel::eme
