#pragma once

#include "astro/DateTime.h"

#include <cstddef>
#include <deque>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace vantrel {

/// The points of a strip chart over its last `span`: which of the oldest
/// fall out as new ones come, and the lowest and highest value of those
/// kept, both without going over all points (the sliding-window minimum
/// and maximum of monotonic queues: every point enters and leaves each
/// queue once). Times in any unit, non-decreasing (a caller whose clock
/// went back clears it first); values in dB.
class StripHistory {
public:
    explicit StripHistory(double span) : span_(span) {}

    /// Adds a point at `time` with `value`; returns how many of the oldest
    /// points fell out, being older than `time − span`, for the chart to
    /// drop from its front.
    std::size_t Add(double time, double value);

    std::size_t Size() const { return points_.size(); }
    double Span() const { return span_; }
    /// The time of the oldest and of the newest point kept; none while empty.
    std::optional<double> OldestTime() const;
    std::optional<double> NewestTime() const;
    /// The lowest and highest value kept; none while empty.
    std::optional<std::pair<double, double>> Range() const;
    void Clear();

private:
    struct Point {
        std::size_t Index; ///< counted from the first point ever added
        double Time;
        double Value;
    };
    double span_;
    std::size_t added_ = 0;
    std::deque<Point> points_;
    std::deque<Point> lows_;  ///< values rising from the front: the front is the minimum
    std::deque<Point> highs_; ///< values falling from the front: the front is the maximum
};

/// Whether the strip chart's line breaks between a block that ended at
/// `previousEndUtc` and the next that starts at `startUtc` (UTC days):
/// when more than half a block of τ `tauS` seconds lies between them (a
/// block dropped for lost samples, readings that stopped, a new run), so
/// the line never joins across time without blocks. Blocks that follow
/// each other (the sample clock's, or readings' windows) never break it.
bool StripGap(DateTime previousEndUtc, DateTime startUtc, double tauS);

/// A mark of the strip chart's time axis, UTC.
struct StripMark {
    DateTime Utc = 0;  ///< days since 1899-12-30, UTC
    std::string Label; ///< "HH:MM", or "HH:MM:SS" for steps below a minute
};

/// Marks from `firstUtc` to `lastUtc` (UTC days) every 10, 15 or 30 s, or
/// 1, 2, 5, 10, 15, 30 or 60 minutes, the shortest step that gives at most
/// `most` marks, each at a whole multiple of its step; empty when last is
/// not after first. DateTime counts days of 86400 s (no leap seconds).
std::vector<StripMark> StripTimeMarks(DateTime firstUtc, DateTime lastUtc, int most);

} // namespace vantrel
