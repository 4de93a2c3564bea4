#include "mainwin/RealTimeDisplay.h"

#include "astro/Catalogue.h"
#include "astro/SiderealTime.h"
#include "astro/SourcePosition.h"
#include "planner/ClockText.h"
#include "planner/GridLayout.h"
#include "planner/LibraryAngleText.h"

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
                                 SunMoonLibrary& library, char decimalSeparator)
    : grid_(grid), station_(station), clock_(clock), library_(library),
      separator_(decimalSeparator) {}

void RealTimeDisplay::Tick() {
    const DateTime utc = clock_.UtcNow();
    const DecodedInstant u = DecodeInstant(utc);
    utcPanel_ = Clock(u, "UTC ... ", utcWeekday_, utcMonth_, 0, gridcolour::kBlue);
    const DecodedInstant l =
        DecodeInstant(StationLocalTime(utc, station_.UtcOffset, clock_.DaylightInForce()));
    localPanel_ = Clock(l, "Local .. ", localWeekday_, localMonth_, 1, colour::kActiveBorder);

    if (step_ < kMoonStep) {
        FixedSource(GreenwichSiderealTimeAt(u));
    } else {
        Body(step_ == kMoonStep ? SunMoonBody::Moon : SunMoonBody::Sun,
             step_ == kMoonStep ? gridcolour::kMoon : gridcolour::kSun);
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

void RealTimeDisplay::Pair(Colour background, const std::string& a, const std::string& b,
                           bool below) {
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

void RealTimeDisplay::FixedSource(long double gstHours) {
    const auto index = static_cast<std::size_t>(step_ - 1);
    const auto source = FixedSourceAt(CoordinateSet::RealTime, index, station_);
    if (!source) {
        return; // an option value no window offers: nothing to show
    }
    const long double dec = source->DecDeg * kDegToRad;
    const SourcePositionResult p =
        SourcePosition(gstHours, source->RaDeg * kDegToRad, dec, station_.Latitude * kDegToRad,
                       station_.Longitude * kDegToRad);
    const bool azEl = station_.DisplayMode == 0;
    Pair(kPairBackground[index],
         DegreeText(RoundedDegrees(azEl ? p.Azimuth : p.GreenwichHourAngle)),
         DegreeText(RoundedDegrees(azEl ? p.Elevation : dec)), RoundedDegrees(p.Elevation) < 0);
}

void RealTimeDisplay::Body(SunMoonBody body, Colour background) {
    const DecodedInstant u = DecodeInstant(clock_.UtcNow());
    const auto height = static_cast<double>(station_.HeightAsl);
    const auto lat = static_cast<double>(station_.Latitude);
    const auto lon = static_cast<double>(station_.Longitude);
    library_.DataToDLL(u, height, lat, lon, body);
    library_.DataToDLL(u, height, lat, lon, body);
    const bool azEl = station_.DisplayMode == 0;
    const double a = azEl ? library_.GetAzimuth() : library_.GetGHA();
    const double b = azEl ? library_.GetElevation() : library_.GetDecTopo();
    Pair(background, LibraryAngleText(a, separator_), LibraryAngleText(b, separator_),
         library_.GetElevation() < 0);
}

} // namespace vantrel
