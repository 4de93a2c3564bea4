#include "measurewin/GOverTHistory.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <map>
#include <optional>
#include <set>
#include <tuple>
#include <utility>

namespace vantrel {

namespace {

constexpr double kMinutesPerDay = 1440.0;
constexpr long long kDayMinutes = 1440;
constexpr long long kWeekMinutes = 7 * kDayMinutes;
/// 1 January 1900, the first Monday of the DateTime scale, in minutes: the
/// origin of week marks.
constexpr long long kFirstMondayMinutes = 2 * kDayMinutes;
/// A span shorter than this (days) is a single instant.
constexpr double kLoneInstantDays = 1.0 / kMinutesPerDay;
constexpr double kLonePaddingDays = 1.0 / 24.0;
constexpr int kMonthsPerYear = 12;

/// "YYYY-MM-DDTHH:MM:SSZ" as the log writes it; nothing for anything else.
std::optional<DateTime> LogInstant(const std::string& text) {
    int y = 0, mo = 0, d = 0, h = 0, mi = 0, s = 0;
    char z = 0;
    if (text.size() != 20 ||
        std::sscanf(text.c_str(), "%4d-%2d-%2dT%2d:%2d:%2d%c", &y, &mo, &d, &h, &mi, &s, &z) != 7) {
        return std::nullopt;
    }
    if (z != 'Z' || y < 1900 || mo < 1 || mo > 12 || d < 1 || d > 31 || h > 23 || mi > 59 ||
        s > 60 || h < 0 || mi < 0 || s < 0) {
        return std::nullopt;
    }
    return EncodeDateTime(y, mo, d, h, mi, s);
}

std::string MHzText(double mhz) {
    char text[32];
    std::snprintf(text, sizeof text, "%.10g", mhz);
    return text;
}

long long FloorDiv(long long a, long long b) {
    return a >= 0 ? a / b : -((-a + b - 1) / b);
}

long long CeilDiv(long long a, long long b) {
    return -FloorDiv(-a, b);
}

/// What a mark's label shows.
enum class Shown { Minute, Day, Month, Year };

std::string Label(Shown shown, DateTime utc) {
    const DecodedInstant d = DecodeInstant(utc);
    const int y = d.Year, mo = d.Month, day = d.Day, h = d.Hour, mi = d.Minute;
    char text[32];
    switch (shown) {
    case Shown::Minute:
        std::snprintf(text, sizeof text, "%02d-%02d %02d:%02d", mo, day, h, mi);
        break;
    case Shown::Day:
        std::snprintf(text, sizeof text, "%04d-%02d-%02d", y, mo, day);
        break;
    case Shown::Month:
        std::snprintf(text, sizeof text, "%04d-%02d", y, mo);
        break;
    case Shown::Year:
        std::snprintf(text, sizeof text, "%04d", y);
        break;
    }
    return text;
}

} // namespace

GOverTHistory GOverTHistoryOf(const std::vector<measure::MeasurementRecord>& records) {
    GOverTHistory history;
    std::vector<std::pair<std::size_t, DateTime>> used;
    std::vector<double> frequencies;
    for (std::size_t i = 0; i < records.size(); ++i) {
        if (records[i].Withdrawn) {
            ++history.Withdrawn;
            continue;
        }
        const std::optional<DateTime> utc = LogInstant(records[i].Utc);
        if (!utc) {
            ++history.Unreadable;
            continue;
        }
        used.emplace_back(i, *utc);
        frequencies.push_back(records[i].FrequencyMHz);
    }

    // Bands: each from its lowest frequency up to the fraction above it.
    std::sort(frequencies.begin(), frequencies.end());
    std::vector<std::pair<double, double>> bands; // lowest, highest, MHz
    for (const double f : frequencies) {
        if (bands.empty() || f > bands.back().first * (1.0 + kBandWidthFraction)) {
            bands.emplace_back(f, f);
        } else {
            bands.back().second = f;
        }
    }
    const auto bandOf = [&bands](double f) {
        const auto after = std::upper_bound(
            bands.begin(), bands.end(), f,
            [](double v, const std::pair<double, double>& b) { return v < b.first; });
        return static_cast<std::size_t>(after - bands.begin()) - 1;
    };

    // A source in a band with another antenna is another line: the antenna
    // is the very thing G/T describes.
    std::map<std::tuple<std::string, std::size_t, std::string>, GOverTSeries> series;
    for (const auto& [index, utc] : used) {
        const measure::MeasurementRecord& r = records[index];
        const std::size_t band = bandOf(r.FrequencyMHz);
        GOverTSeries& s = series[{r.Source, band, r.Antenna}];
        if (s.Points.empty()) {
            const auto [lo, hi] = bands[band];
            s.Source = r.Source;
            s.Antenna = r.Antenna;
            s.LowestMHz = lo;
            s.Band = (lo == hi ? MHzText(lo) : MHzText(lo) + "-" + MHzText(hi)) + " MHz";
        }
        s.Points.push_back({utc, r.GOverTDbPerK, index});
    }
    std::set<std::string> antennas;
    for (auto& [key, s] : series) {
        std::stable_sort(s.Points.begin(), s.Points.end(),
                         [](const GOverTPoint& a, const GOverTPoint& b) { return a.Utc < b.Utc; });
        antennas.insert(s.Antenna);
        history.Series.push_back(std::move(s));
    }
    history.SeveralAntennas = antennas.size() > 1;
    return history;
}

TimeAxis RoundTimeAxis(DateTime firstUtc, DateTime lastUtc, int mostIntervals) {
    if (lastUtc < firstUtc) {
        std::swap(firstUtc, lastUtc);
    }
    if (lastUtc - firstUtc < kLoneInstantDays) {
        firstUtc -= kLonePaddingDays;
        lastUtc += kLonePaddingDays;
    }
    const int most = std::max(mostIntervals, 1);
    TimeAxis axis;

    // Steps of minutes, hours, days and weeks.
    constexpr std::array<long long, 15> kSteps = {1,
                                                  2,
                                                  5,
                                                  10,
                                                  15,
                                                  30,
                                                  60,
                                                  120,
                                                  180,
                                                  360,
                                                  720,
                                                  kDayMinutes,
                                                  2 * kDayMinutes,
                                                  kWeekMinutes,
                                                  2 * kWeekMinutes};
    const auto firstMin = static_cast<long long>(std::floor(firstUtc * kMinutesPerDay + 1e-6));
    const auto lastMin = static_cast<long long>(std::ceil(lastUtc * kMinutesPerDay - 1e-6));
    for (const long long step : kSteps) {
        const long long origin = step >= kWeekMinutes ? kFirstMondayMinutes : 0;
        const long long lo = FloorDiv(firstMin - origin, step) * step + origin;
        const long long hi = CeilDiv(lastMin - origin, step) * step + origin;
        if ((hi - lo) / step > most) {
            continue;
        }
        for (long long m = lo; m <= hi; m += step) {
            const DateTime at = static_cast<double>(m) / kMinutesPerDay;
            axis.Marks.push_back({at, Label(step < kDayMinutes ? Shown::Minute : Shown::Day, at)});
        }
        axis.FirstUtc = axis.Marks.front().Utc;
        axis.LastUtc = axis.Marks.back().Utc;
        return axis;
    }

    // Calendar months, then years, counted from the first month of year 0.
    const DecodedInstant a = DecodeInstant(firstUtc);
    const DecodedInstant b = DecodeInstant(lastUtc);
    const long long firstMonth = static_cast<long long>(a.Year) * kMonthsPerYear + a.Month - 1;
    long long lastMonth = static_cast<long long>(b.Year) * kMonthsPerYear + b.Month - 1;
    if (lastUtc > EncodeDate(b.Year, b.Month, 1)) {
        ++lastMonth;
    }
    std::vector<long long> monthSteps = {1, 2, 3, 6};
    for (long long years = 1; years <= 10000; years *= 10) {
        for (const long long k : {1LL, 2LL, 5LL}) {
            monthSteps.push_back(k * years * kMonthsPerYear);
        }
    }
    for (const long long step : monthSteps) {
        const long long lo = FloorDiv(firstMonth, step) * step;
        const long long hi = CeilDiv(lastMonth, step) * step;
        if ((hi - lo) / step > most) {
            continue;
        }
        for (long long m = lo; m <= hi; m += step) {
            const auto year = static_cast<int>(m / kMonthsPerYear);
            const auto month = static_cast<int>(m % kMonthsPerYear) + 1;
            const DateTime at = EncodeDate(year, month, 1);
            axis.Marks.push_back(
                {at, Label(step < kMonthsPerYear ? Shown::Month : Shown::Year, at)});
        }
        break;
    }
    if (!axis.Marks.empty()) {
        axis.FirstUtc = axis.Marks.front().Utc;
        axis.LastUtc = axis.Marks.back().Utc;
    }
    return axis;
}

} // namespace vantrel
