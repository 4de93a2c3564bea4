#include "planner/FixedSourceCells.h"

#include "astro/SiderealTime.h"
#include "planner/GridLayout.h"

#include <algorithm>
#include <cmath>

#if defined(__linux__)
#include <sys/resource.h>
#include <unistd.h>
#endif

namespace vantrel {

namespace {

constexpr long double kRadToDeg = 180 / kPi;
/// A step this close to the limit (a millionth of a day, 0.0864 s) ends the sweep.
constexpr double kLimitMargin = 0.000001;

} // namespace

FixedSourceCellMaker::FixedSourceCellMaker(const HomeStation& station,
                                           const ObservingConditions* conditions)
    : azEl_(station.DisplayMode == 0), lat_(SineCosine::Of(station.Latitude * kDegToRad)),
      lonRad_(station.Longitude * kDegToRad),
      classic_(conditions == nullptr || (!conditions->Apparent && !conditions->Refraction)),
      conditions_(conditions != nullptr ? *conditions : ObservingConditions{}),
      station_{station.Latitude, station.Longitude, static_cast<double>(station.HeightAsl)} {
    for (std::size_t i = 0; i < kFixedSourceCount; ++i) {
        if (const auto s = FixedSourceAt(CoordinateSet::Planning, i, station)) {
            sources_[i] = {true, s->RaDeg * kDegToRad, s->DecDeg * kDegToRad,
                           SineCosine::Of(s->DecDeg * kDegToRad)};
        }
    }
}

void FixedSourceCellMaker::Fill(const DecodedInstant& utc, FixedSourceCells& out) const {
    ApparentPlaces places;
    Fill(utc, out, places);
}

void FixedSourceCellMaker::Fill(const DecodedInstant& utc, FixedSourceCells& out,
                                ApparentPlaces& places) const {
    // The classic table keeps its own arithmetic: the sidereal time once for
    // every source, declination and latitude trigonometry done beforehand.
    const long double gst = classic_ ? GreenwichSiderealTimeAt(utc) : 0;
    if (!classic_) {
        places.Prepare(utc, station_, conditions_); // refused: NaN places, blank pairs
    }
    for (std::size_t i = 0; i < kFixedSourceCount; ++i) {
        const std::size_t a = 2 * i;
        const PreparedSource& s = sources_[i];
        if (!s.Present) {
            // Only a damaged data file holds such a source option: nothing to show.
            out.Background[a] = out.Background[a + 1] = kPairBackground[i];
            out.Text[a].clear();
            out.Text[a + 1].clear();
            out.Degrees[a] = out.Degrees[a + 1] = NAN;
            continue;
        }
        long double first = 0;
        long double second = 0;
        long double elevation = 0;
        if (classic_) {
            const SourcePositionResult p = SourcePosition(gst, s.RaRad, s.Dec, lat_, lonRad_);
            first = azEl_ ? p.Azimuth : p.GreenwichHourAngle;
            second = azEl_ ? p.Elevation : s.DecRad;
            elevation = p.Elevation;
        } else {
            const ShownPlace p = places.Place({s.RaRad, s.DecRad, s.Dec});
            first = azEl_ ? p.Azimuth : p.GreenwichHourAngle;
            second = azEl_ ? p.Elevation : p.Declination;
            elevation = p.Elevation;
        }
        out.Degrees[a] = first * kRadToDeg;
        out.Degrees[a + 1] = second * kRadToDeg;
        // With an option on, a refused station gives NaN places: blank them.
        const bool below =
            classic_ ? RoundedDegrees(elevation) < 0 : !(RoundedDegrees(elevation) >= 0);
        if (below) {
            out.Background[a] = out.Background[a + 1] = gridcolour::kBelowHorizon;
            out.Text[a].clear();
            out.Text[a + 1].clear();
        } else {
            out.Background[a] = out.Background[a + 1] = kPairBackground[i];
            out.Text[a] = DegreeText(RoundedDegrees(first));
            out.Text[a + 1] = DegreeText(RoundedDegrees(second));
        }
    }
}

bool SweepSteps::At(std::int64_t k, DateTime& t) const {
    t = AddMinutes(Start, k * IntervalMinutes);
    return k == 0 || t < Limit - kLimitMargin;
}

FixedSourceCellsAhead::FixedSourceCellsAhead(const FixedSourceCellMaker& maker,
                                             const SweepSteps& steps)
    : maker_(maker), steps_(steps) {
    if (std::thread::hardware_concurrency() == 1) {
        return; // a second thread would only take turns with this one
    }
    try {
        ring_.resize(static_cast<std::size_t>(kAhead));
        worker_ = std::thread([this] { Work(); });
    } catch (...) {
        // No memory or no thread: the reader computes every step itself.
    }
}

FixedSourceCellsAhead::~FixedSourceCellsAhead() {
    if (worker_.joinable()) {
        stop_.store(true);
        consumed_.store(kNobody);
        consumed_.notify_one();
        worker_.join();
    }
}

// The reader never waits: a step the worker has not finished yet it
// computes itself, and the worker then jumps past the reader's step. So
// the two share the work when both have a processor, and the sweep is no
// slower than on one thread when the worker gets none. The worker waits
// only when it is a whole ring ahead, until the reader has freed half of it;
// the reader wakes it only then (the wish is stored before the count is read
// again and the count before the wish is read, all sequentially consistent,
// so no wake-up is lost).

void FixedSourceCellsAhead::Work() {
#if defined(__linux__)
    // Lower than the user-interface thread: on a busy machine the worker
    // gives way to it (the reader then computes the steps itself), on an
    // idle one it runs on a processor of its own.
    constexpr int kWorkerNice = 10;
    ::setpriority(PRIO_PROCESS, static_cast<id_t>(::gettid()), kWorkerNice);
#endif
    try {
        DateTime t = 0;
        for (std::int64_t k = 0;; ++k) {
            std::int64_t reading = consumed_.load();
            if (k - reading >= kAhead) {
                workerWants_.store(k - kAhead + kBatch);
                for (reading = consumed_.load(); k - reading >= kAhead;
                     reading = consumed_.load()) {
                    consumed_.wait(reading);
                }
                workerWants_.store(kNobody);
            }
            if (stop_.load()) {
                return;
            }
            k = std::max(k, reading + 1); // the reader has this step and those before
            if (!steps_.At(k, t)) {
                return;
            }
            maker_.Fill(DecodeInstant(t), ring_[static_cast<std::size_t>(k % kAhead)],
                        workerPlaces_);
            produced_.store(k + 1);
        }
    } catch (...) {
        // The reader computes every step the worker has not published.
    }
}

const FixedSourceCells& FixedSourceCellsAhead::Next() {
    const std::int64_t k = next_++;
    // Read before the reader says it is at step k: the worker skips only
    // steps the reader has reached, so a step published by then is one the
    // worker wrote, and its slot stays until the reader moves on.
    const bool ready = produced_.load() > k;
    consumed_.store(k); // the slots of the steps before are free
    // Taking the wish wakes the worker once, not at every step until it runs.
    if (k >= workerWants_.load() && workerWants_.exchange(kNobody) != kNobody) {
        consumed_.notify_one();
    }
    if (ready) {
        return ring_[static_cast<std::size_t>(k % kAhead)];
    }
    DateTime t = 0;
    steps_.At(k, t);
    maker_.Fill(DecodeInstant(t), own_, readerPlaces_);
    return own_;
}

} // namespace vantrel
