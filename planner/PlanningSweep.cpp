#include "planner/PlanningSweep.h"

#include "planner/ClockText.h"
#include "planner/FixedSourceCells.h"
#include "planner/GridLayout.h"
#include "planner/LibraryAngleText.h"
#include "sunmoon/Constants.h"

#include <algorithm>
#include <cmath>
#include <string>

namespace vantrel {

namespace {

constexpr int kSagittariusColumn = 14;
constexpr double kMinutesPerDay = 1440;

std::string ClockText(const DecodedInstant& t, char prefix) {
    std::string s;
    if (prefix != 0) {
        s.push_back(prefix);
    }
    AppendHourMinute(s, t);
    return s;
}

long DateKey(const DecodedInstant& d) {
    return (static_cast<long>(d.Year) * 13 + d.Month) * 32 + d.Day;
}

class Sweep {
public:
    Sweep(GridCells& grid, const HomeStation& station, const SweepInputs& in,
          PreciseRowSink* precise)
        : grid_(grid), station_(station), in_(in), precise_(precise),
          azEl_(station.DisplayMode == 0),
          maker_(station, in.Conditions), steps_{std::floor(in.StartDate),
                                                 std::floor(in.EndDate) + 1,
                                                 static_cast<std::int64_t>(station.CalcInterval)},
          refract_(in.Conditions != nullptr && in.Conditions->Refraction),
          ut1_(in.Conditions != nullptr && in.Conditions->Apparent ? in.Conditions->Ut1.get()
                                                                   : nullptr),
          latitudeRad_(static_cast<double>(station.Latitude) * sunmoon::kDegToRad),
          longitudeRad_(static_cast<double>(station.Longitude) * sunmoon::kDegToRad) {
        if (refract_) {
            // The Sun and the Moon need only the refraction: the library
            // gives their apparent places already.
            refraction_ = *in.Conditions;
            refraction_.Apparent = false;
        }
    }

    void Run() {
        // The fixed sources, most of the arithmetic of a row, are worked out
        // on a second thread while this one calls the sun/moon library and
        // writes the cells.
        FixedSourceCellsAhead ahead(maker_, steps_);
        DateTime t = 0;
        for (std::int64_t k = 0; steps_.At(k, t); ++k) {
            const DecodedInstant utc = DecodeInstant(t);
            if (k == 0 || DateKey(utc) != dayRowDate_) {
                if (k > 0) {
                    NextRow();
                }
                DayRow(t, utc);
            }
            DataRow(t, utc, ahead.Next());
        }
    }

private:
    void NextRow() {
        ++currentRow_;
        ++rowTotal_;
        grid_.SetRowCount(rowTotal_);
    }

    void DayRow(DateTime t, const DecodedInstant& utc) {
        const int r = currentRow_;
        grid_.MergeCells(0, 2, r, "");
        grid_.SetCellBackground(0, r, gridcolour::kDayRow);
        grid_.SetAlignment(0, r, kAlignCentre);
        std::string text(WeekdayName(t));
        text += ' ';
        text += std::to_string(utc.Day);
        text += '/';
        text += std::to_string(utc.Month);
        text += '/';
        text += std::to_string(utc.Year);
        grid_.SetCellText(0, r, text);
        dayRowDate_ = DateKey(utc);
    }

    /// Holds the text and background of one cell of the data row being built.
    void Cell(int col, Colour background, std::string text) {
        const auto c = static_cast<std::size_t>(col);
        background_[c] = background;
        text_[c] = std::move(text);
    }

    void Blank(int col) { Cell(col, gridcolour::kBelowHorizon, std::string()); }

    /// Writes the data row built in `text_` and `background_`, all cells
    /// centred. Left to right, each new cell goes at the end of the cell
    /// store instead of being slid in between cells written before it.
    void WriteRow(const FixedSourceCells& fixed) {
        const int r = currentRow_;
        for (std::size_t i = 0; i < kFixedSourceCellCount; ++i) {
            background_[static_cast<std::size_t>(kFirstPairColumn) + i] = fixed.Background[i];
        }
        for (int col = 0; col < kGridColumns; ++col) {
            const auto c = static_cast<std::size_t>(col);
            const bool isFixed = col >= kFirstPairColumn && col < kMoonColumn;
            grid_.SetAlignment(col, r, kAlignCentre);
            grid_.SetCellBackground(col, r, background_[c]);
            grid_.SetCellText(col, r, isFixed ? fixed.Text[c - kFirstPairColumn] : text_[c]);
            if (col == 1 || col == kFirstPairColumn || col == kSagittariusColumn) {
                grid_.SetCellFontColor(col, r, colour::kBlack);
            }
        }
    }

    void Body(const DecodedInstant& utc, SunMoonBody body, int col, Colour background) {
        SunMoonLibrary& lib = *in_.Library;
        lib.DataToDLL(utc, static_cast<double>(station_.HeightAsl),
                      static_cast<double>(station_.Latitude),
                      static_cast<double>(station_.Longitude), body);
        LibraryPlaceDeg place{lib.GetAzimuth(), lib.GetElevation(), lib.GetGHA(), lib.GetDecTopo()};
        if (ut1_ != nullptr) {
            // The library turns the Earth with UT1 = UTC; the series says by how much more.
            const double dut1 = ut1_->Ut1MinusUtcSeconds(EarthOrientation::UtcMjd(utc));
            if (dut1 != 0.0) {
                place = TurnedToUt1(place, dut1, latitudeRad_, longitudeRad_);
            }
        }
        if (refract_) {
            // Refracted on top of the library's airless place.
            sunMoon_.Prepare(
                utc,
                {station_.Latitude, station_.Longitude, static_cast<double>(station_.HeightAsl)},
                refraction_);
            place = sunMoon_.SunMoon(place);
        }
        const double first = azEl_ ? place.AzimuthDeg : place.GhaDeg;
        const double second = azEl_ ? place.ElevationDeg : place.DecDeg;
        const double elevation = place.ElevationDeg;
        const auto at = static_cast<std::size_t>(col - kFirstPairColumn);
        row_.Degrees[at] = first;
        row_.Degrees[at + 1] = second;
        if (elevation < 0) {
            Blank(col);
            Blank(col + 1);
        } else {
            Cell(col, background, LibraryAngleText(first, in_.DecimalSeparator));
            Cell(col + 1, background, LibraryAngleText(second, in_.DecimalSeparator));
        }
    }

    void DataRow(DateTime t, const DecodedInstant& utc, const FixedSourceCells& fixed) {
        NextRow();
        const int r = currentRow_;
        Cell(0, gridcolour::kBlue, ClockText(utc, 0));

        Body(utc, SunMoonBody::Moon, kMoonColumn, gridcolour::kMoon);

        const DateTime local = StationLocalTime(t, station_.UtcOffset, in_.Daylight->InForceAt(t));
        const DecodedInstant l = DecodeInstant(local);
        const long localDate = DateKey(l);
        const long utcDate = DateKey(utc);
        const char prefix = localDate > utcDate ? '+' : localDate < utcDate ? '-' : 0;
        Cell(1, colour::kButtonFace, ClockText(l, prefix));

        Body(utc, SunMoonBody::Sun, kSunColumn, gridcolour::kSun);

        WriteRow(fixed);
        if (precise_ != nullptr) {
            std::copy(fixed.Degrees.begin(), fixed.Degrees.end(), row_.Degrees.begin());
            row_.GridRow = r;
            row_.Utc = t;
            row_.Local = local;
            precise_->Row(row_);
        }
    }

    GridCells& grid_;
    const HomeStation& station_;
    const SweepInputs& in_;
    PreciseRowSink* precise_;
    bool azEl_;
    FixedSourceCellMaker maker_;
    SweepSteps steps_;
    bool refract_;
    const EarthOrientation* ut1_; ///< with apparent places only
    double latitudeRad_;
    double longitudeRad_;
    ObservingConditions refraction_;
    ApparentPlaces sunMoon_;
    int currentRow_ = kFirstSweepRow;
    int rowTotal_ = kFirstSweepRow + 1;
    long dayRowDate_ = 0;
    PreciseRow row_;
    std::array<std::string, kGridColumns> text_;
    std::array<Colour, kGridColumns> background_{};
};

} // namespace

SweepResult RunPlanningSweep(GridCells& grid, const HomeStation& station, const SweepInputs& in,
                             PreciseRowSink* precise) {
    if (station.CalcInterval < 1) {
        return SweepResult::IntervalTooSmall;
    }
    if (!std::isfinite(in.StartDate) || !std::isfinite(in.EndDate)) {
        return SweepResult::BadDates;
    }
    const double days = std::floor(in.EndDate) + 1 - std::floor(in.StartDate);
    if (days * kMinutesPerDay / station.CalcInterval > kMaxSweepDataRows) {
        return SweepResult::TooManyRows;
    }
    // Row heights are measured once per row when the period ends, not once per cell.
    grid.BeginUpdate();
    // One allocation for the whole table instead of a doubling one every
    // few thousand rows, each copying every cell written so far. The
    // estimate is bounded before it becomes an int: a range that ends long
    // before it starts (one row) or spans ages at a huge interval would
    // otherwise not fit in one.
    const double estimate = std::ceil(days) * (1 + kMinutesPerDay / station.CalcInterval);
    const double rows =
        std::clamp(estimate, 0.0, 2.0 * kMaxSweepDataRows); // a day row per data row at most
    grid.ReserveRows(kFirstSweepRow + static_cast<int>(rows) + 1);
    try {
        Sweep(grid, station, in, precise).Run();
    } catch (...) {
        grid.EndUpdate();
        throw;
    }
    grid.EndUpdate();
    return SweepResult::Done;
}

} // namespace vantrel
