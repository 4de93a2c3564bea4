#include "measure/Wavelength.h"

#include "measure/MeasureConstants.h"

namespace vantrel::measure {

double WavelengthM(double frequencyMHz) {
    return kSpeedOfLightMPerS / (frequencyMHz * kHzPerMHz);
}

} // namespace vantrel::measure
