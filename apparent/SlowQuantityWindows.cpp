#include "apparent/SlowQuantityWindows.h"

namespace vantrel {

using sunmoon::kWindowDays;
using sunmoon::kWindowNodes;

SlowQuantityWindows::Samples::value_type SlowQuantityWindows::NodeSample(std::int64_t window,
                                                                         std::size_t node) {
    // The node times of sunmoon::SlowEphemeris, computed the same way.
    const double start = static_cast<double>(window) * kWindowDays;
    const double tt =
        start + 0.5 * kWindowDays * (sunmoon::ChebyshevNode(node, kWindowNodes) + 1.0);
    return sunmoon::Pack(sunmoon::DirectSlowQuantities(tt));
}

sunmoon::SlowQuantities SlowQuantityWindows::At(double ttDaysSinceJ2000) {
    const std::int64_t window = sunmoon::SlowEphemeris::WindowOf(ttDaysSinceJ2000);
    if (!valid_ || window != window_) {
        if (aheadNodes_ == kWindowNodes && aheadWindow_ == window) {
            current_ = aheadSeries_;
            ++fittedAhead_;
        } else {
            // Nodes already evaluated ahead for this window are the same
            // values: only the rest are computed.
            const std::size_t done = aheadWindow_ == window ? aheadNodes_ : 0;
            for (std::size_t j = done; j < kWindowNodes; ++j) {
                ahead_[j] = NodeSample(window, j);
            }
            aheadWindow_ = window;
            aheadNodes_ = kWindowNodes;
            current_.Fit(ahead_);
            ++fittedAtOnce_;
        }
        window_ = window;
        valid_ = true;
    }
    const double start = static_cast<double>(window) * kWindowDays;
    const double x = 2.0 * (ttDaysSinceJ2000 - start) / kWindowDays - 1.0;
    return sunmoon::Unpack(current_.Evaluate(x));
}

void SlowQuantityWindows::PrefitStep(double ttDaysSinceJ2000) {
    const std::int64_t next = sunmoon::SlowEphemeris::WindowOf(ttDaysSinceJ2000) + 1;
    const double nextStart = static_cast<double>(next) * kWindowDays;
    if (nextStart - ttDaysSinceJ2000 > kPrefitLeadDays) {
        return;
    }
    if (aheadWindow_ != next) {
        aheadWindow_ = next;
        aheadNodes_ = 0;
    }
    if (aheadNodes_ == kWindowNodes) {
        return;
    }
    ahead_[aheadNodes_] = NodeSample(next, aheadNodes_);
    if (++aheadNodes_ == kWindowNodes) {
        aheadSeries_.Fit(ahead_);
    }
}

} // namespace vantrel
