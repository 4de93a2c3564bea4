#pragma once

#include "apparent/ApparentPlaces.h"
#include "astro/Clock.h"
#include "astro/SunMoon.h"
#include "controls/GridCells.h"
#include "station/HomeStation.h"

#include <cstddef>
#include <optional>
#include <string>

namespace vantrel {

/// The hint of the real-time grid.
inline constexpr const char* kRealTimeHint = "Real time display. Below the Horizon are dulled.";
/// Text colour of a source below the horizon.
inline constexpr Colour kDulled = colour::kGray;
/// Background of the value cells of the source the rotator tracks: pale
/// green (R 152, G 251, B 152), unlike any pair's own background.
inline constexpr Colour kTrackedBackground = 0x0098FB98;

/// The real-time display: on every tick both clocks and, in a cycle of nine
/// steps, one source of row 2 of the real-time grid (Aquarius, Leo, the
/// option source, Cygnus A, Taurus A, Virgo A, Sagittarius A, the Moon, the
/// Sun), so each source is recomputed every nine ticks. Sources below the
/// horizon are written in grey; a source that rises again returns to the
/// grid's text colour.
///
/// The positions follow the observing conditions: with both options off the
/// catalogue places as stored and geometric elevations, as always; with
/// "apparent places" on the fixed sources at their apparent places of date;
/// with "radio refraction" on every elevation refracted (the Sun's and the
/// Moon's on top of the library's airless place), and a source below the
/// horizon by its refracted elevation.
///
/// A station out of range (`StationInRange`: a damaged file's latitude of
/// 1e30 or NaN) is refused: the clocks run on, the source pairs are blanked
/// in turn instead of showing "nan", and `StationRefused` says so for the
/// window to give the reason, until the station is corrected.
///
/// Without any window system: the main window shows the two panel texts and
/// owns the timer; tests drive ticks at chosen instants through the clock.
class RealTimeDisplay {
public:
    /// `conditions` is read at every tick; null means both options off.
    RealTimeDisplay(GridCells& grid, const HomeStation& station, UtcClock& clock,
                    SunMoonLibrary& library, char decimalSeparator = '.',
                    const ObservingConditions* conditions = nullptr);

    /// One tick (`Timer1Timer`).
    void Tick();

    /// "UTC ... Mon 31 March 2014 ... 2330:00".
    const std::string& UtcPanelText() const { return utcPanel_; }
    /// "Local .. Tue 1 April 2014 ... 0930:00".
    const std::string& LocalPanelText() const { return localPanel_; }

    /// The step refreshed by the next tick (1 to 9) and its two columns.
    int Step() const { return step_; }
    int FirstColumn() const { return first_; }
    int SecondColumn() const { return second_; }

    void SetDecimalSeparator(char separator) { separator_ = separator; }

    /// Whether the last tick found the station out of range.
    bool StationRefused() const { return refused_; }

    /// Marks the value cells of column pair `pair` (0 Aquarius, columns 2-3,
    /// to 8 the Sun, columns 18-19) as the tracked source's, at once and at
    /// every later refresh; empty (or a pair beyond 8) marks none. The pair
    /// marked before gets its own background back at once.
    void SetTrackedPair(std::optional<std::size_t> pair);
    std::optional<std::size_t> TrackedPair() const { return tracked_; }

private:
    /// One clock: its grid cell, and the panel text it returns.
    std::string Clock(const DecodedInstant& t, std::string_view lead, std::string& weekday,
                      std::string& month, int col, Colour background);
    void FixedSource(const DecodedInstant& utc);
    /// Prepares the places of an instant for the station and the conditions.
    bool Prepare(const DecodedInstant& utc);
    void Body(SunMoonBody body);
    void Pair(std::size_t pair, const std::string& a, const std::string& b, bool below);
    /// The background of pair `pair`'s value cells: its own, or the mark.
    Colour ValueBackground(std::size_t pair) const;

    GridCells& grid_;
    const HomeStation& station_;
    UtcClock& clock_;
    SunMoonLibrary& library_;
    char separator_;
    const ObservingConditions* conditions_;
    ApparentPlaces places_;
    std::optional<std::size_t> tracked_;
    bool refused_ = false;
    int step_ = 1;
    int first_ = 2;
    int second_ = 3;
    std::string utcPanel_;
    std::string localPanel_;
    // Names shown last; kept when a date gives none.
    std::string utcWeekday_, utcMonth_, localWeekday_, localMonth_;
};

} // namespace vantrel
