#include "skychart/ElevationCollector.h"

#include "planner/GridLayout.h"

#include <cmath>
#include <numbers>

namespace vantrel {

namespace {
constexpr double kRadPerDeg = std::numbers::pi / 180.0;
constexpr double kMinutesPerDay = 1440.0;
} // namespace

ElevationCollector::ElevationCollector(const HomeStation& station, std::size_t expectedRows,
                                       std::array<std::string, kElevationSources> titles)
    : series_(std::make_unique<ElevationSeries>()), polar_(station.DisplayMode != 0),
      station_(StationTerms::Of(static_cast<double>(station.Latitude),
                                static_cast<double>(station.Longitude))) {
    series_->titles_ = std::move(titles);
    series_->intervalMin_ = static_cast<int>(station.CalcInterval);
    series_->utc_.reserve(expectedRows);
    series_->localOffsetMin_.reserve(expectedRows);
    for (std::size_t s = 0; s < kElevationSources; ++s) {
        series_->elevation_[s].reserve(expectedRows);
        series_->azimuth_[s].reserve(expectedRows);
    }
    lastDecDeg_.fill(std::nan(""));
}

void ElevationCollector::AppendHorizon(std::size_t source, double ghaDeg, double decDeg) {
    if (decDeg != lastDecDeg_[source]) {
        lastDecDeg_[source] = decDeg;
        sinDec_[source] = std::sin(decDeg * kRadPerDeg);
        cosDec_[source] = std::cos(decDeg * kRadPerDeg);
    }
    const HorizonPlaceDeg p =
        HorizonFromHourAngle(ghaDeg, sinDec_[source], cosDec_[source], station_);
    series_->elevation_[source].push_back(static_cast<float>(p.ElevationDeg));
    series_->azimuth_[source].push_back(static_cast<float>(p.AzimuthDeg));
}

void ElevationCollector::Row(const PreciseRow& row) {
    series_->utc_.push_back(row.Utc);
    series_->localOffsetMin_.push_back(
        static_cast<std::int16_t>(std::lround((row.Local - row.Utc) * kMinutesPerDay)));
    for (std::size_t s = 0; s < kElevationSources; ++s) {
        const auto first = static_cast<double>(row.Degrees[2 * s]);
        const auto second = static_cast<double>(row.Degrees[2 * s + 1]);
        if (polar_) {
            AppendHorizon(s, first, second);
        } else {
            series_->elevation_[s].push_back(static_cast<float>(second));
            series_->azimuth_[s].push_back(static_cast<float>(first));
        }
    }
}

std::shared_ptr<const ElevationSeries> ElevationCollector::Finish() {
    ElevationSeries& s = *series_;
    const std::vector<float>& sun = s.elevation_[kSunSource];
    const DateTime step = s.intervalMin_ / kMinutesPerDay;
    bool dark = false;
    for (std::size_t r = 0; r < sun.size(); ++r) {
        // The grid blanks the Sun below 0°, so the chart darkens the same rows.
        const bool below = sun[r] < 0;
        if (below && !dark) {
            s.dark_.push_back({s.utc_[r], s.utc_[r]});
        } else if (!below && dark) {
            s.dark_.back().End = s.utc_[r];
        }
        dark = below;
    }
    if (dark) {
        s.dark_.back().End = s.utc_.back() + step;
    }
    std::shared_ptr<const ElevationSeries> done = std::move(series_);
    series_ = std::make_unique<ElevationSeries>();
    return done;
}

std::size_t ExpectedSweepRows(DateTime start, DateTime end, int intervalMin) {
    const double days = std::floor(end) + 1 - std::floor(start);
    if (intervalMin < 1) {
        return 0;
    }
    if (!(days > 0)) {
        return 1; // an end before the start: the start's first row alone
    }
    return static_cast<std::size_t>(std::ceil(days * kMinutesPerDay / intervalMin));
}

std::array<std::string, kElevationSources> PairTitles(const GridCells& grid) {
    std::array<std::string, kElevationSources> titles;
    for (std::size_t s = 0; s < kElevationSources; ++s) {
        const GridCell* c = grid.FindCell(kFirstPairColumn + 2 * static_cast<int>(s), 0);
        if (c == nullptr) {
            continue;
        }
        const std::string& v = c->Value;
        const auto first = v.find_first_not_of(' ');
        if (first != std::string::npos) {
            titles[s] = v.substr(first, v.find_last_not_of(' ') - first + 1);
        }
    }
    return titles;
}

} // namespace vantrel
