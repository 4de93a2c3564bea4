#include "radiometer/RadiometerEquation.h"

#include <cmath>
#include <limits>

namespace vantrel {

double RadiometerSigmaDb(double noiseBandwidthHz, double integrationS) {
    const double bt = noiseBandwidthHz * integrationS;
    if (!(bt > 0) || !std::isfinite(bt)) {
        return std::numeric_limits<double>::quiet_NaN();
    }
    return 10.0 * std::log10(1.0 + 1.0 / std::sqrt(bt));
}

double IntegrationForSigma(double noiseBandwidthHz, double sigmaDb) {
    if (!(noiseBandwidthHz > 0) || !(sigmaDb > 0)) {
        return std::numeric_limits<double>::quiet_NaN();
    }
    // expm1 keeps the digits of 10^(σ/10) − 1 for the small σ of interest.
    const double relative = std::expm1(sigmaDb * std::log(10.0) / 10.0);
    return 1.0 / (noiseBandwidthHz * relative * relative);
}

} // namespace vantrel
