#include "eme/MoonWindows.h"

#include <algorithm>
#include <cmath>

namespace vantrel::eme {

namespace {

/// Looks between two calls of the progress callback.
constexpr std::int64_t kLooksPerProgress = 256;
/// 1/φ, the golden section.
constexpr double kGoldenFraction = 0.6180339887498949;

/// What one look at the Moon finds.
struct Look {
    bool Up = false;
    double HomeElevationDeg = MoonSight::kNaN;
    double DxElevationDeg = MoonSight::kNaN;
};

enum class End { Home, Dx };

class Searcher {
public:
    Searcher(EmeCalculator& calculator, const WindowSearch& search)
        : calculator_(calculator), search_(search) {}

    Look LookAt(UtcSeconds t) {
        const EmeCalculator::Sights s = calculator_.SightsAt(t);
        Look look;
        if (s.Home.Valid) {
            look.HomeElevationDeg = s.Home.ElevationDeg;
        }
        if (s.Dx.Valid) {
            look.DxElevationDeg = s.Dx.ElevationDeg;
        }
        const bool homeUp = s.Home.Valid && s.Home.ElevationDeg >= search_.HomeMinElevationDeg &&
                            !(search_.HomeHorizon &&
                              search_.HomeHorizon->Hides(s.Home.AzimuthDeg, s.Home.ElevationDeg));
        const bool dxUp =
            !calculator_.HasDx() || (s.Dx.Valid && s.Dx.ElevationDeg >= search_.DxMinElevationDeg);
        look.Up = homeUp && dxUp;
        return look;
    }

    /// The first second after `a` at which the Moon's state is `want`, given
    /// that it is not at `a` and is at `b` (one change between them).
    UtcSeconds Edge(UtcSeconds a, UtcSeconds b, bool want) {
        while (b - a > 1) {
            const UtcSeconds mid = a + (b - a) / 2;
            if (LookAt(mid).Up == want) {
                b = mid;
            } else {
                a = mid;
            }
        }
        return b;
    }

    double ElevationAt(UtcSeconds t, End end) {
        const Look look = LookAt(t);
        const double el = end == End::Home ? look.HomeElevationDeg : look.DxElevationDeg;
        return std::isnan(el) ? -HUGE_VAL : el;
    }

    /// The highest elevation of one end within [lo, hi], near `best` (the
    /// look with the highest elevation so far, `bestDeg`): a golden-section
    /// search over a step on either side, the elevation having one maximum
    /// there.
    double Highest(End end, UtcSeconds lo, UtcSeconds hi, UtcSeconds best, double bestDeg) {
        const std::int64_t step = std::min(search_.StepS, kMaxWindowStepS);
        double a = static_cast<double>(std::max(lo, best - step));
        double b = static_cast<double>(std::min(hi, best + step));
        const auto at = [&](double t) { return ElevationAt(std::llround(t), end); };
        double c = b - kGoldenFraction * (b - a);
        double d = a + kGoldenFraction * (b - a);
        double fc = at(c);
        double fd = at(d);
        while (b - a > 2) {
            if (fc >= fd) {
                b = d;
                d = c;
                fd = fc;
                c = b - kGoldenFraction * (b - a);
                fc = at(c);
            } else {
                a = c;
                c = d;
                fc = fd;
                d = a + kGoldenFraction * (b - a);
                fd = at(d);
            }
        }
        double highest = std::max({bestDeg, fc, fd});
        for (auto t = static_cast<UtcSeconds>(std::ceil(a)); t <= static_cast<UtcSeconds>(b); ++t) {
            highest = std::max(highest, ElevationAt(t, end));
        }
        return highest;
    }

    MoonWindow Close(UtcSeconds start, UtcSeconds end, bool openAtStart, bool openAtEnd) {
        MoonWindow w;
        w.Start = start;
        w.End = end;
        w.OpenAtStart = openAtStart;
        w.OpenAtEnd = openAtEnd;
        // The last second the Moon is up.
        const UtcSeconds last = end - 1;
        w.MaxElevationHomeDeg = Highest(End::Home, start, last, bestHomeAt_, bestHomeDeg_);
        if (calculator_.HasDx()) {
            w.MaxElevationDxDeg = Highest(End::Dx, start, last, bestDxAt_, bestDxDeg_);
        }
        const EmeMoment mid = calculator_.At(start + (end - start) / 2);
        w.MidEchoDopplerHz = mid.EchoDopplerHz;
        w.MidDxDopplerHz = mid.DxDopplerHz;
        w.MidPathLossChangeDb = mid.PathLossChangeDb;
        return w;
    }

    /// Keeps the look with the highest elevation of each end in the window.
    void Track(UtcSeconds t, const Look& look) {
        if (look.HomeElevationDeg > bestHomeDeg_) {
            bestHomeDeg_ = look.HomeElevationDeg;
            bestHomeAt_ = t;
        }
        if (look.DxElevationDeg > bestDxDeg_) {
            bestDxDeg_ = look.DxElevationDeg;
            bestDxAt_ = t;
        }
    }

    void ResetBest() {
        bestHomeDeg_ = -HUGE_VAL;
        bestDxDeg_ = -HUGE_VAL;
    }

private:
    EmeCalculator& calculator_;
    const WindowSearch& search_;
    double bestHomeDeg_ = -HUGE_VAL;
    double bestDxDeg_ = -HUGE_VAL;
    UtcSeconds bestHomeAt_ = 0;
    UtcSeconds bestDxAt_ = 0;
};

} // namespace

WindowSearchResult FindMoonWindows(EmeCalculator& calculator, const WindowSearch& search,
                                   const WindowProgress& progress) {
    WindowSearchResult result;
    if (search.End <= search.Start || search.StepS < 1) {
        return result;
    }
    Searcher s(calculator, search);
    const std::int64_t span = search.End - search.Start;
    const std::int64_t step = std::min(search.StepS, kMaxWindowStepS);

    UtcSeconds previous = search.Start;
    Look look = s.LookAt(previous);
    bool open = look.Up;
    UtcSeconds openedAt = previous;
    if (open) {
        s.Track(previous, look);
    }
    std::int64_t looks = 0;
    // The last second searched is End − 1.
    const UtcSeconds last = search.End - 1;
    while (previous < last) {
        const UtcSeconds t = std::min(previous + step, last);
        look = s.LookAt(t);
        if (look.Up != open) {
            const UtcSeconds edge = s.Edge(previous, t, look.Up);
            const Look atEdge = s.LookAt(edge);
            if (look.Up) {
                openedAt = edge;
                s.ResetBest();
                s.Track(edge, atEdge);
            } else {
                // The Moon was up up to edge − 1.
                const UtcSeconds lastUp = edge - 1;
                s.Track(lastUp, s.LookAt(lastUp));
                result.Windows.push_back(s.Close(openedAt, edge, openedAt == search.Start, false));
            }
            open = look.Up;
        }
        if (open) {
            s.Track(t, look);
        }
        previous = t;
        if (progress && ++looks % kLooksPerProgress == 0 &&
            !progress(static_cast<double>(t - search.Start) / static_cast<double>(span))) {
            result.Complete = false;
            return result;
        }
    }
    if (open) {
        result.Windows.push_back(s.Close(openedAt, search.End, openedAt == search.Start, true));
    }
    if (progress) {
        progress(1.0);
    }
    return result;
}

} // namespace vantrel::eme
