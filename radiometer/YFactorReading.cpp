#include "radiometer/YFactorReading.h"

#include <cmath>

namespace vantrel {

YFactorReading YFactorOf(const PowerBlock& on, const PowerBlock& reference) {
    YFactorReading y;
    y.YDb = on.PowerDb - reference.PowerDb;
    y.SigmaDb = std::hypot(on.SigmaDb, reference.SigmaDb); // NaN when either is
    if (on.WholeDbSteps || reference.WholeDbSteps) {
        y.Problem = "S-meter readings come in whole dB on the manufacturer's scale: fit for "
                    "peaking the antenna, not for G/T. Measure with the sound card or an SDR.";
    } else if (on.Overload || reference.Overload) {
        y.Problem = std::string(on.Overload ? "The reading on the source" : "The reference") +
                    " was clipped (overload): lower the receiver's gain, take the reference "
                    "again and measure anew.";
    } else if (!(y.YDb > 0)) {
        y.Problem = "The reading is not above the reference: point at the source, or take the "
                    "reference on cold sky again.";
    }
    return y;
}

} // namespace vantrel
