#include "measure/MoonBrightness.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace vantrel::measure {

namespace {

constexpr double kDegToRad = std::numbers::pi / 180.0;
/// The speed of light over 10^4: λ in cm = 29979.2458 / f in MHz.
constexpr double kCmMHz = 29979.2458;

double Cubic(double a, double b, double c, double d, double x) {
    return a + x * (b + x * (c + x * d));
}

} // namespace

MoonBrightnessModel MoonBrightnessAt(double frequencyMHz) {
    const double f = std::clamp(frequencyMHz, kMoonModelMinMHz, kMoonModelMaxMHz);
    const double cm = kCmMHz / f;
    MoonBrightnessModel m;
    m.MeanK = cm <= 35.0 ? Cubic(206.06, 1.6308, -0.043774, 0.00043042, cm) : 225.0;
    const double ratio = cm <= 20.0 ? Cubic(1.2207, 5.3788, -0.26528, 0.0064374, cm) : 50.0;
    m.AmplitudeK = m.MeanK / ratio;
    if (cm <= 1.2) {
        m.LagDeg = 42.745 + 1.042 * std::log(cm);
    } else if (cm <= 4.0) {
        m.LagDeg = Cubic(26.402, 18.625, -6.3123, 0.70462, cm);
    } else {
        m.LagDeg = 45.0;
    }
    return m;
}

double MoonBrightnessK(double frequencyMHz, double phaseDeg) {
    const MoonBrightnessModel m = MoonBrightnessAt(frequencyMHz);
    return m.MeanK + m.AmplitudeK * std::cos((phaseDeg - m.LagDeg) * kDegToRad);
}

double MoonPhaseDeg(double moonRaDeg, double moonDecDeg, double sunRaDeg, double sunDecDeg) {
    const double d1 = moonDecDeg * kDegToRad;
    const double d2 = sunDecDeg * kDegToRad;
    const double dRa = (moonRaDeg - sunRaDeg) * kDegToRad;
    const double cosE = std::sin(d1) * std::sin(d2) + std::cos(d1) * std::cos(d2) * std::cos(dRa);
    const double elongationDeg = std::acos(std::clamp(cosE, -1.0, 1.0)) / kDegToRad;
    // East of the Sun (right ascension greater, within half a circle): waxing.
    const bool waxing = std::sin(dRa) > 0;
    return waxing ? -(180.0 - elongationDeg) : 180.0 - elongationDeg;
}

} // namespace vantrel::measure
