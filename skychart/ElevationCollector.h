#pragma once

#include "controls/GridCells.h"
#include "planner/PlanningSweep.h"
#include "skychart/ElevationSeries.h"
#include "skychart/HorizonCoordinates.h"
#include "station/HomeStation.h"

#include <array>
#include <memory>
#include <string>

namespace vantrel {

/// Gathers the elevation chart's series from a planning sweep, as the sweep
/// hands over each data row: no position is computed twice. In Az/El mode
/// the row's pairs are taken as they are; in Polar mode (Greenwich hour
/// angle and declination) each pair is turned into elevation and azimuth
/// for the station (`HorizonFromHourAngle`), which keeps what the sweep put
/// into them (topocentric Sun and Moon, refraction when it is on).
///
/// Memory is reserved once from the expected row count; a row costs a few
/// stores, in Polar mode nine sine/cosine pairs and two inverse functions.
class ElevationCollector final : public PreciseRowSink {
public:
    /// `station` gives latitude and longitude (degrees) and the display
    /// mode the sweep will run in; `expectedRows` the data rows it will
    /// write (`ExpectedSweepRows`); `titles` the nine pair titles.
    ElevationCollector(const HomeStation& station, std::size_t expectedRows,
                       std::array<std::string, kElevationSources> titles);

    void Row(const PreciseRow& row) override;

    /// The series of the rows seen, with the Sun's dark intervals worked out.
    /// The collector is empty afterwards.
    std::shared_ptr<const ElevationSeries> Finish();

private:
    void AppendHorizon(std::size_t source, double ghaDeg, double decDeg);

    std::unique_ptr<ElevationSeries> series_;
    bool polar_;
    StationTerms station_;
    /// Per source the declination last seen and its sine and cosine: the
    /// fixed sources' declinations stay the same from row to row.
    std::array<double, kElevationSources> lastDecDeg_{};
    std::array<double, kElevationSources> sinDec_{};
    std::array<double, kElevationSources> cosDec_{};
};

/// Data rows a sweep from `start` to `end` (whole UTC days) at `intervalMin`
/// minutes writes, at most: 0 for an interval below 1 (no sweep runs), 1 for
/// an end before the start (the sweep writes the start's first row alone).
std::size_t ExpectedSweepRows(DateTime start, DateTime end, int intervalMin);

/// The titles of the nine pairs from header row 0 of a planning grid,
/// trimmed of surrounding blanks.
std::array<std::string, kElevationSources> PairTitles(const GridCells& grid);

} // namespace vantrel
