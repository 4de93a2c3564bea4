#pragma once

#include "sunmoon/SlowEphemeris.h"

#include <array>
#include <cstddef>
#include <cstdint>

namespace vantrel {

/// How long before the end of an interpolation window, in days of TT, the
/// nodes of the next window start to be evaluated ahead: 0.05 d (72 min)
/// lets the real-time display (several instants a second) and a sweep at
/// one minute (72 rows) finish the twelve nodes before they cross the edge.
inline constexpr double kPrefitLeadDays = 0.05;

/// The slow quantities of the Sun and Moon core (sunmoon::SlowEphemeris:
/// the same windows, nodes, Chebyshev fits and values, bit for bit), with
/// the fit of the next window spread over the calls before its start.
///
/// A window fit costs twelve full evaluations (about 1.5 ms), which a
/// real-time tick should not pay at once. PrefitStep, called once per new
/// instant, evaluates one node of the next window while TT is within
/// kPrefitLeadDays of the current window's end; when TT then enters that
/// window, its fit is already done. A window is still chosen by TT alone
/// and fitted from the same nodes, so a value never depends on the
/// instants asked before.
class SlowQuantityWindows {
public:
    /// The interpolated quantities at TT = J2000.0 + `ttDaysSinceJ2000` days;
    /// fits the window at once unless it was fitted ahead.
    sunmoon::SlowQuantities At(double ttDaysSinceJ2000);

    /// One node of the window after the one holding `ttDaysSinceJ2000`, if
    /// TT is within kPrefitLeadDays of that window's start and it is not
    /// complete yet (about 125 µs); otherwise nothing.
    void PrefitStep(double ttDaysSinceJ2000);

    /// Windows fitted at once when first asked for, and windows taken over
    /// from the fit ahead (for tests and benchmarks).
    std::int64_t FittedAtOnce() const { return fittedAtOnce_; }
    std::int64_t FittedAhead() const { return fittedAhead_; }

private:
    using Series = sunmoon::ChebyshevSet<sunmoon::kSlowQuantityCount, sunmoon::kWindowNodes>;
    using Samples =
        std::array<std::array<double, sunmoon::kSlowQuantityCount>, sunmoon::kWindowNodes>;

    static Samples::value_type NodeSample(std::int64_t window, std::size_t node);

    Series current_;
    std::int64_t window_ = 0;
    bool valid_ = false;

    Samples ahead_{};
    Series aheadSeries_;
    std::int64_t aheadWindow_ = 0;
    std::size_t aheadNodes_ = 0; ///< nodes of aheadWindow_ evaluated so far

    std::int64_t fittedAtOnce_ = 0;
    std::int64_t fittedAhead_ = 0;
};

} // namespace vantrel
