#include "mainwin/RealTimeDisplay.h"

#include "astro/Catalogue.h"
#include "astro/SiderealTime.h"
#include "astro/SourcePosition.h"
#include "planner/ClockText.h"
#include "planner/GridLayout.h"
#include "planner/LibraryAngleText.h"
#include "station/StationCheck.h"

namespace vantrel {

namespace {

constexpr int kValueRow = 2;
constexpr int kLastStep = 9;
constexpr int kMoonStep = 8;

/// HH + MM + ":" + SS.
std::string TimeText(const DecodedInstant& t) {
    std::string s;
    AppendHourMinute(s, t);
    s += ':';
    AppendSecond(s, t);
    return s;
}

/// Keeps the previous name where the date gives none.
void Name(std::string& kept, std::string_view name) {
    if (!name.empty()) {
        kept.assign(name);
    }
}

std::string PanelText(std::string_view lead, const DecodedInstant& t, const std::string& weekday,
                      const std::string& month) {
    std::string s(lead);
    s += weekday;
    s += ' ';
    s += std::to_string(t.Day);
    s += ' ';
    s += month;
    s += ' ';
    s += std::to_string(t.Year);
    s += " ... ";
    s += TimeText(t);
    return s;
}

} // namespace

RealTimeDisplay::RealTimeDisplay(GridCells& grid, const HomeStation& station, UtcClock& clock,
                                 SunMoonLibrary& library, char decimalSeparator,
                                 const ObservingConditions* conditions)
    : grid_(grid), station_(station), clock_(clock), library_(library),
      separator_(decimalSeparator), conditions_(conditions) {}

bool RealTimeDisplay::Prepare(const DecodedInstant& utc) {
    static const ObservingConditions kClassic;
    const StationCoordinates station{station_.Latitude, station_.Longitude,
                                     static_cast<double>(station_.HeightAsl)};
    return places_.Prepare(utc, station, conditions_ != nullptr ? *conditions_ : kClassic) ==
           PrepareStatus::Ok;
}

void RealTimeDisplay::Tick() {
    const DateTime utc = clock_.UtcNow();
    const DecodedInstant u = DecodeInstant(utc);
    utcPanel_ = Clock(u, "UTC ... ", utcWeekday_, utcMonth_, 0, gridcolour::kBlue);
    const DecodedInstant l =
        DecodeInstant(StationLocalTime(utc, station_.UtcOffset, clock_.DaylightInForce()));
    localPanel_ = Clock(l, "Local .. ", localWeekday_, localMonth_, 1, colour::kActiveBorder);

    // A station out of range has no places to show: its pairs are blanked
    // in turn, and nothing is computed from it, until it is corrected.
    refused_ = !StationInRange(station_);
    if (refused_) {
        static const std::string kBlank;
        Pair(static_cast<std::size_t>(step_ - 1), kBlank, kBlank, false);
    } else if (step_ < kMoonStep) {
        FixedSource(u);
    } else {
        Body(step_ == kMoonStep ? SunMoonBody::Moon : SunMoonBody::Sun);
    }
    if (step_ == kLastStep) {
        step_ = 1;
        first_ = kFirstPairColumn;
        second_ = kFirstPairColumn + 1;
    } else {
        ++step_;
        first_ += 2;
        second_ += 2;
    }
}

std::string RealTimeDisplay::Clock(const DecodedInstant& t, std::string_view lead,
                                   std::string& weekday, std::string& month, int col,
                                   Colour background) {
    Name(weekday, WeekdayShortName(DayNumber(t.Year, t.Month, t.Day)));
    Name(month, MonthName(t.Month));
    grid_.SetAlignment(col, kValueRow, kAlignCentre);
    grid_.SetCellBackground(col, kValueRow, background);
    grid_.SetCellText(col, kValueRow, TimeText(t));
    return PanelText(lead, t, weekday, month);
}

Colour RealTimeDisplay::ValueBackground(std::size_t pair) const {
    return tracked_ == pair ? kTrackedBackground : kPairBackground[pair];
}

void RealTimeDisplay::SetTrackedPair(std::optional<std::size_t> pair) {
    if (pair && *pair >= kPairBackground.size()) {
        pair.reset();
    }
    if (pair == tracked_) {
        return;
    }
    const std::optional<std::size_t> before = tracked_;
    tracked_ = pair;
    // The cells change colour now, not only when their turn in the cycle
    // comes; a pair not yet refreshed gets no cells of its own by unmarking.
    const auto paint = [this](std::size_t p, bool create) {
        const int a = kFirstPairColumn + 2 * static_cast<int>(p);
        for (const int col : {a, a + 1}) {
            if (create || grid_.FindCell(col, kValueRow) != nullptr) {
                grid_.SetCellBackground(col, kValueRow, ValueBackground(p));
            }
        }
    };
    if (before) {
        paint(*before, false);
    }
    if (tracked_) {
        paint(*tracked_, true);
    }
}

void RealTimeDisplay::Pair(std::size_t pair, const std::string& a, const std::string& b,
                           bool below) {
    const Colour background = ValueBackground(pair);
    grid_.SetCellBackground(first_, kValueRow, background);
    grid_.SetAlignment(first_, kValueRow, kAlignCentre);
    grid_.SetCellText(first_, kValueRow, a);
    grid_.SetCellBackground(second_, kValueRow, background);
    grid_.SetAlignment(second_, kValueRow, kAlignCentre);
    grid_.SetCellText(second_, kValueRow, b);
    // Grey below the horizon; the grid's own text colour once risen again.
    const Colour text = below ? kDulled : grid_.Settings().FontColor;
    grid_.SetCellFontColor(first_, kValueRow, text);
    grid_.SetCellFontColor(second_, kValueRow, text);
}

void RealTimeDisplay::FixedSource(const DecodedInstant& utc) {
    const auto index = static_cast<std::size_t>(step_ - 1);
    const auto source = FixedSourceAt(CoordinateSet::RealTime, index, station_);
    if (!source) {
        return; // an option value no window offers: nothing to show
    }
    Prepare(utc); // a refused station gives NaN places, shown as such
    const ShownPlace p =
        places_.Place(CatalogueSource::Of(source->RaDeg * kDegToRad, source->DecDeg * kDegToRad));
    const bool azEl = station_.DisplayMode == 0;
    Pair(index, DegreeText(RoundedDegrees(azEl ? p.Azimuth : p.GreenwichHourAngle)),
         DegreeText(RoundedDegrees(azEl ? p.Elevation : p.Declination)),
         RoundedDegrees(p.Elevation) < 0);
}

void RealTimeDisplay::Body(SunMoonBody body) {
    const DecodedInstant u = DecodeInstant(clock_.UtcNow());
    const auto height = static_cast<double>(station_.HeightAsl);
    const auto lat = static_cast<double>(station_.Latitude);
    const auto lon = static_cast<double>(station_.Longitude);
    library_.DataToDLL(u, height, lat, lon, body);
    library_.DataToDLL(u, height, lat, lon, body);
    LibraryPlaceDeg place{library_.GetAzimuth(), library_.GetElevation(), library_.GetGHA(),
                          library_.GetDecTopo()};
    if (conditions_ != nullptr && MovesSunAndMoon(*conditions_) && Prepare(u)) {
        place = places_.SunMoon(place); // UT1 and refraction on top of the library's place
    }
    const bool azEl = station_.DisplayMode == 0;
    const double a = azEl ? place.AzimuthDeg : place.GhaDeg;
    const double b = azEl ? place.ElevationDeg : place.DecDeg;
    Pair(static_cast<std::size_t>(step_ - 1), LibraryAngleText(a, separator_),
         LibraryAngleText(b, separator_), place.ElevationDeg < 0);
}

} // namespace vantrel
