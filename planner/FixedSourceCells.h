#pragma once

#include "apparent/ApparentPlaces.h"
#include "astro/Catalogue.h"
#include "astro/DateTime.h"
#include "astro/SourcePosition.h"
#include "controls/GridCells.h"
#include "station/HomeStation.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace vantrel {

/// Cells of the seven fixed-source pairs in one planning row (columns 2-15).
inline constexpr std::size_t kFixedSourceCellCount = 2 * kFixedSourceCount;

/// The fixed-source part of one data row: the texts and backgrounds of
/// columns 2-15 in column order, and the unrounded angles in degrees (NaN
/// where a damaged source option leaves a pair empty).
struct FixedSourceCells {
    std::array<std::string, kFixedSourceCellCount> Text;
    std::array<Colour, kFixedSourceCellCount> Background{};
    std::array<long double, kFixedSourceCellCount> Degrees{};
};

/// Computes the fixed-source cells of planning rows for one station. The
/// station's coordinates, display mode and sources are read once, when it is
/// made; `Fill` reads nothing else and writes only its argument, so it may
/// run on any thread.
class FixedSourceCellMaker {
public:
    /// `conditions` null, or both its options off, computes the classic
    /// table: catalogue places as stored and geometric elevations.
    explicit FixedSourceCellMaker(const HomeStation& station,
                                  const ObservingConditions* conditions = nullptr);

    /// The cells for the UTC instant `utc` (decoded), from Greenwich sidereal
    /// time by the classic day-number method and each source's catalogue
    /// place: azimuth and elevation, or Greenwich hour angle and the stored
    /// declination, rounded to hundredths of a degree. A pair whose rounded
    /// elevation is below 0 is blank and white.
    ///
    /// With an observing option on, the places are those of `places`
    /// (prepared here for the instant): the apparent place of date of each
    /// catalogue place, and the refracted elevation, hour angle and
    /// declination with refraction on; a pair is blank by its refracted
    /// elevation. `places` holds the state of one thread: each thread that
    /// fills cells passes its own.
    void Fill(const DecodedInstant& utc, FixedSourceCells& out, ApparentPlaces& places) const;
    /// The same with places of its own, for a single row (the first fill of
    /// an observing option fits an interpolation window, about a millisecond).
    void Fill(const DecodedInstant& utc, FixedSourceCells& out) const;

private:
    struct PreparedSource {
        bool Present = false;
        long double RaRad = 0;
        long double DecRad = 0;
        SineCosine Dec;
    };
    bool azEl_;
    SineCosine lat_;
    long double lonRad_;
    std::array<PreparedSource, kFixedSourceCount> sources_{};
    bool classic_ = true;
    ObservingConditions conditions_;
    StationCoordinates station_;
};

/// The steps of a planning sweep: step k is `start` + k × `intervalMinutes`
/// (UTC), step 0 always, then every step before `limit` less a millionth of
/// a day (0.0864 s).
struct SweepSteps {
    DateTime Start = 0;
    DateTime Limit = 0;
    std::int64_t IntervalMinutes = 1;

    /// Step k, or nothing when it lies at or beyond the end.
    bool At(std::int64_t k, DateTime& t) const;
};

/// The fixed-source cells of every step of a sweep, computed on a second
/// thread ahead of the thread that reads them. The worker runs only
/// `FixedSourceCellMaker::Fill` and the date arithmetic: it touches no grid,
/// no library and no shared state, so the cells are the same as if the
/// reader had computed them. A step the worker has not finished when it is
/// read, the reader computes itself (so also every step when no thread can
/// be started, or the worker fails).
class FixedSourceCellsAhead {
public:
    FixedSourceCellsAhead(const FixedSourceCellMaker& maker, const SweepSteps& steps);
    ~FixedSourceCellsAhead();
    FixedSourceCellsAhead(const FixedSourceCellsAhead&) = delete;
    FixedSourceCellsAhead& operator=(const FixedSourceCellsAhead&) = delete;

    /// The cells of the next step (0, 1, 2, ... in turn); valid until the
    /// next call. Never waits. Reading beyond the last step is the caller's
    /// error.
    const FixedSourceCells& Next();

private:
    void Work();

    /// Steps the worker may run ahead of the reader, and how many it lets
    /// the reader take before it is woken when it had to wait.
    static constexpr std::int64_t kAhead = 512;
    static constexpr std::int64_t kBatch = kAhead / 2;
    /// A count no step reaches: nobody waiting, or every step produced.
    static constexpr std::int64_t kNobody = INT64_MAX;

    const FixedSourceCellMaker& maker_;
    SweepSteps steps_;
    std::vector<FixedSourceCells> ring_;
    FixedSourceCells own_; // a step the reader computes itself
    // The places of each thread (state of the instant and interpolation).
    ApparentPlaces workerPlaces_;
    ApparentPlaces readerPlaces_;
    std::int64_t next_ = 0;
    std::atomic<std::int64_t> produced_{0};          // one past the worker's last published step
    std::atomic<std::int64_t> consumed_{-1};         // the step the reader is at
    std::atomic<std::int64_t> workerWants_{kNobody}; // wake the worker at this step
    std::atomic<bool> stop_{false};
    std::thread worker_;
};

} // namespace vantrel
