#include "receiverwin/PeriodogramTrace.h"

#include <algorithm>
#include <cmath>

namespace vantrel {

namespace {

/// dB of a power ratio, and back.
double Db(double linear) {
    return 10.0 * std::log10(linear);
}
double Linear(double db) {
    return std::pow(10.0, db / 10.0);
}

} // namespace

PeriodogramTrace TraceOf(const SpectrumSnapshot& s, std::size_t mostPoints) {
    PeriodogramTrace t;
    const std::size_t n = s.PowerDb.size();
    if (n == 0) {
        return t;
    }
    const std::size_t group =
        (n + std::max<std::size_t>(mostPoints, 1) - 1) / std::max<std::size_t>(mostPoints, 1);
    t.Hz.reserve(n / group + 1);
    t.Db.reserve(n / group + 1);
    bool any = false;
    const auto extend = [&](double db) {
        if (std::isfinite(db)) {
            t.LowDb = any ? std::min(t.LowDb, db) : db;
            t.HighDb = any ? std::max(t.HighDb, db) : db;
            any = true;
        }
    };
    for (std::size_t first = 0; first < n; first += group) {
        const std::size_t last = std::min(n, first + group);
        double sum = 0;
        for (std::size_t k = first; k < last; ++k) {
            sum += Linear(s.PowerDb[k]);
        }
        const double middle = static_cast<double>(first + last - 1) / 2.0;
        t.Hz.push_back(s.FirstBinHz + middle * s.BinHz);
        t.Db.push_back(Db(sum / static_cast<double>(last - first)));
        extend(t.Db.back());
    }
    const std::size_t useCount = std::min(n, s.Use.size());
    for (std::size_t k = 0; k < useCount; ++k) {
        if (s.Use[k] == 0) {
            continue;
        }
        const double lo = s.FirstBinHz + (static_cast<double>(k) - 0.5) * s.BinHz;
        if (k > 0 && s.Use[k - 1] != 0 && !t.Used.empty()) {
            t.Used.back().Hi = lo + s.BinHz;
        } else {
            t.Used.push_back({lo, lo + s.BinHz});
        }
        if (s.Use[k] == 2 && t.DroppedHz.size() < mostPoints) {
            t.DroppedHz.push_back(s.FirstBinHz + static_cast<double>(k) * s.BinHz);
            t.DroppedDb.push_back(s.PowerDb[k]);
            extend(s.PowerDb[k]);
        }
    }
    // A bin of no power at all (a silent input) is drawn at the floor.
    constexpr double kSilentDb = -300.0;
    for (double& db : t.Db) {
        if (!std::isfinite(db)) {
            db = any ? t.LowDb : kSilentDb;
        }
    }
    if (!any) {
        t.LowDb = t.HighDb = kSilentDb;
    }
    return t;
}

int FrequencyAxisDecimals(double spanMHz, int ticks) {
    constexpr int kMostDecimals = 9;
    if (!(spanMHz > 0) || ticks < 2) {
        return 0;
    }
    const double step = spanMHz / (ticks - 1);
    // The decimals of the step, and one more for steps such as 0.0625.
    const int decimals = static_cast<int>(std::ceil(-std::log10(step))) + 1;
    return std::clamp(decimals, 0, kMostDecimals);
}

} // namespace vantrel
