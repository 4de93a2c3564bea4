#include "planner/FixedSourceCells.h"

#include "astro/SiderealTime.h"
#include "planner/GridLayout.h"

#include <cmath>

namespace vantrel {

namespace {

constexpr long double kRadToDeg = 180 / kPi;
/// A step this close to the limit (a millionth of a day, 0.0864 s) ends the sweep.
constexpr double kLimitMargin = 0.000001;

} // namespace

FixedSourceCellMaker::FixedSourceCellMaker(const HomeStation& station)
    : azEl_(station.DisplayMode == 0), lat_(SineCosine::Of(station.Latitude * kDegToRad)),
      lonRad_(station.Longitude * kDegToRad) {
    for (std::size_t i = 0; i < kFixedSourceCount; ++i) {
        if (const auto s = FixedSourceAt(CoordinateSet::Planning, i, station)) {
            sources_[i] = {true, s->RaDeg * kDegToRad, s->DecDeg * kDegToRad,
                           SineCosine::Of(s->DecDeg * kDegToRad)};
        }
    }
}

void FixedSourceCellMaker::Fill(const DecodedInstant& utc, FixedSourceCells& out) const {
    const long double gst = GreenwichSiderealTimeAt(utc);
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
        const SourcePositionResult p = SourcePosition(gst, s.RaRad, s.Dec, lat_, lonRad_);
        const long double first = azEl_ ? p.Azimuth : p.GreenwichHourAngle;
        const long double second = azEl_ ? p.Elevation : s.DecRad;
        out.Degrees[a] = first * kRadToDeg;
        out.Degrees[a + 1] = second * kRadToDeg;
        if (RoundedDegrees(p.Elevation) < 0) {
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
        failed_.store(true); // a second thread would only take turns with this one
        return;
    }
    try {
        ring_.resize(static_cast<std::size_t>(kAhead));
        worker_ = std::thread([this] { Work(); });
    } catch (...) {
        // No memory or no thread: the reader computes every step itself.
        failed_.store(true);
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

// Each side, when it has to wait, says how far the other must get before
// waking it (half the ring), and the other side only notifies when it gets
// there: the two threads meet once per batch of rows, not once per row.
// The wish is stored before the count is read again and the count before
// the wish is read (all sequentially consistent), so no wake-up is lost.

void FixedSourceCellsAhead::Work() {
    try {
        DateTime t = 0;
        for (std::int64_t k = 0; steps_.At(k, t); ++k) {
            if (k - consumed_.load() >= kAhead) {
                // Wait until the reader has left the slot this step goes into.
                workerWants_.store(k - kAhead + kBatch);
                for (std::int64_t free = consumed_.load(); k - free >= kAhead;
                     free = consumed_.load()) {
                    consumed_.wait(free);
                }
                workerWants_.store(kNobody);
            }
            if (stop_.load()) {
                return;
            }
            maker_.Fill(DecodeInstant(t), ring_[static_cast<std::size_t>(k % kAhead)]);
            produced_.store(k + 1);
            if (k + 1 >= readerWants_.load()) {
                produced_.notify_one();
            }
        }
        produced_.store(kNobody); // every step is there
    } catch (...) {
        // The reader takes over; a count no step reaches wakes it.
        failed_.store(true);
        produced_.store(-1);
    }
    produced_.notify_one();
}

const FixedSourceCells& FixedSourceCellsAhead::Next() {
    const std::int64_t k = next_++;
    // The slot of the step read before is free again.
    consumed_.store(k);
    if (k >= workerWants_.load()) {
        consumed_.notify_one();
    }
    if (produced_.load() <= k) {
        readerWants_.store(k + kBatch);
        for (std::int64_t ready = produced_.load(); ready <= k; ready = produced_.load()) {
            if (failed_.load()) {
                // Computed here exactly as the worker would have.
                DateTime t = 0;
                steps_.At(k, t);
                maker_.Fill(DecodeInstant(t), own_);
                return own_;
            }
            produced_.wait(ready);
        }
        readerWants_.store(kNobody);
    }
    return ring_[static_cast<std::size_t>(k % kAhead)];
}

} // namespace vantrel
