#pragma once

namespace vantrel::measure {

/// Free-space wavelength, m, of a frequency in MHz: λ = c / f.
double WavelengthM(double frequencyMHz);

} // namespace vantrel::measure
