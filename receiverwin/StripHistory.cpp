#include "receiverwin/StripHistory.h"

#include <cmath>
#include <cstdio>

namespace vantrel {

std::size_t StripHistory::Add(double time, double value) {
    const Point p{added_++, time, value};
    points_.push_back(p);
    while (!lows_.empty() && lows_.back().Value >= value) {
        lows_.pop_back();
    }
    lows_.push_back(p);
    while (!highs_.empty() && highs_.back().Value <= value) {
        highs_.pop_back();
    }
    highs_.push_back(p);
    std::size_t dropped = 0;
    while (points_.front().Time < time - span_) {
        const std::size_t gone = points_.front().Index;
        points_.pop_front();
        ++dropped;
        if (lows_.front().Index == gone) {
            lows_.pop_front();
        }
        if (highs_.front().Index == gone) {
            highs_.pop_front();
        }
    }
    return dropped;
}

std::optional<double> StripHistory::OldestTime() const {
    return points_.empty() ? std::nullopt : std::optional<double>(points_.front().Time);
}

std::optional<double> StripHistory::NewestTime() const {
    return points_.empty() ? std::nullopt : std::optional<double>(points_.back().Time);
}

std::optional<std::pair<double, double>> StripHistory::Range() const {
    if (points_.empty()) {
        return std::nullopt;
    }
    return std::make_pair(lows_.front().Value, highs_.front().Value);
}

void StripHistory::Clear() {
    points_.clear();
    lows_.clear();
    highs_.clear();
}

std::vector<StripMark> StripTimeMarks(DateTime firstUtc, DateTime lastUtc, int most) {
    constexpr double kSecondsPerDay = 86400.0;
    constexpr long long kSecondsPerMinute = 60;
    constexpr long long kSecondsPerHour = 3600;
    constexpr long long kLongestStep = 3600;
    std::vector<StripMark> marks;
    if (!(lastUtc > firstUtc) || most < 1) {
        return marks;
    }
    const double first = firstUtc * kSecondsPerDay;
    const double last = lastUtc * kSecondsPerDay;
    for (const long long step :
         {10LL, 15LL, 30LL, 60LL, 120LL, 300LL, 600LL, 900LL, 1800LL, kLongestStep}) {
        const auto from = static_cast<long long>(std::ceil(first / static_cast<double>(step)));
        const auto to = static_cast<long long>(std::floor(last / static_cast<double>(step)));
        if (to - from + 1 > most && step != kLongestStep) {
            continue;
        }
        for (long long k = from; k <= to && static_cast<int>(marks.size()) < most; ++k) {
            const long long second = k * step;
            const long long ofDay = second % 86400;
            char label[16];
            if (step < kSecondsPerMinute) {
                std::snprintf(label, sizeof label, "%02lld:%02lld:%02lld", ofDay / kSecondsPerHour,
                              ofDay % kSecondsPerHour / kSecondsPerMinute,
                              ofDay % kSecondsPerMinute);
            } else {
                std::snprintf(label, sizeof label, "%02lld:%02lld", ofDay / kSecondsPerHour,
                              ofDay % kSecondsPerHour / kSecondsPerMinute);
            }
            marks.push_back({static_cast<double>(second) / kSecondsPerDay, label});
        }
        break;
    }
    return marks;
}

bool StripGap(DateTime previousEndUtc, DateTime startUtc, double tauS) {
    constexpr double kSecondsPerDay = 86400.0;
    constexpr double kGapShareOfTau = 0.5;
    return (startUtc - previousEndUtc) * kSecondsPerDay > kGapShareOfTau * tauS;
}

} // namespace vantrel
