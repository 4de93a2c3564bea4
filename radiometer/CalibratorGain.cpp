#include "radiometer/CalibratorGain.h"

#include <algorithm>
#include <cmath>

namespace vantrel {

namespace {

struct Mean {
    double Power = 0;
    double Sigma = 0; ///< of the mean, linear
    int Count = 0;
    bool Overload = false;
};

Mean MeanOf(std::span<const PowerBlock> blocks) {
    Mean m;
    double sum = 0;
    double sumSq = 0;
    double radiometerVar = 0;
    for (const PowerBlock& b : blocks) {
        const double p = std::pow(10.0, b.PowerDb / 10.0);
        sum += p;
        sumSq += p * p;
        if (std::isfinite(b.SigmaDb)) {
            const double s = p * (std::pow(10.0, b.SigmaDb / 10.0) - 1.0);
            radiometerVar += s * s;
        }
        m.Overload = m.Overload || b.Overload;
        ++m.Count;
    }
    if (m.Count == 0) {
        return m;
    }
    const double n = m.Count;
    m.Power = sum / n;
    const double radiometer = std::sqrt(radiometerVar) / n;
    const double scatter =
        m.Count > 1 ? std::sqrt(std::max(0.0, (sumSq - n * m.Power * m.Power) / (n - 1)) / n) : 0.0;
    m.Sigma = std::max(radiometer, scatter);
    return m;
}

} // namespace

CalibratorGainResult CalibratorGainOf(std::span<const PowerBlock> offBefore,
                                      std::span<const PowerBlock> on,
                                      std::span<const PowerBlock> offAfter, double calK) {
    CalibratorGainResult out;
    const Mean before = MeanOf(offBefore);
    const Mean after = MeanOf(offAfter);
    const Mean hot = MeanOf(on);
    if (!(calK > 0)) {
        out.Problem = "The calibrator's excess temperature is not known (--cal-k K).";
        return out;
    }
    if (hot.Count == 0 || before.Count + after.Count == 0) {
        out.Problem = "No power came with the calibrator on and off.";
        return out;
    }
    if (hot.Overload || before.Overload || after.Overload) {
        out.Problem = "The receiver was overloaded during the calibration.";
        return out;
    }
    Mean off = before.Count > 0 ? before : after;
    if (before.Count > 0 && after.Count > 0) {
        off.Power = 0.5 * (before.Power + after.Power);
        off.Sigma = 0.5 * std::hypot(before.Sigma, after.Sigma);
    }
    const double difference = hot.Power - off.Power;
    const double sigma = std::hypot(hot.Sigma, off.Sigma);
    if (!(difference > 3.0 * sigma) || !(difference > 0)) {
        out.Problem = "The calibrator adds no power that stands out (on minus off is not three "
                      "of its sigmas): is it switched, and strong enough for this integration "
                      "time?";
        return out;
    }
    CalibratorGain g;
    g.KPerUnit = calK / difference;
    g.SigmaRelative = sigma / difference;
    g.SystemK = calK * off.Power / difference;
    g.OnPower = hot.Power;
    g.OffPower = off.Power;
    out.Gain = g;
    return out;
}

} // namespace vantrel
