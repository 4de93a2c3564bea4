#pragma once

#include "apparent/ObservingConditions.h"
#include "apparent/SkyPlaces.h"
#include "apparent/SkySource.h"
#include "astro/DateTime.h"
#include "station/HomeStation.h"

#include <array>
#include <cstddef>
#include <vector>

namespace vantrel {

/// Minutes between the places of a day track.
inline constexpr int kDayTrackStepMinutes = 5;
/// Places of a day track: 00:00 to 24:00 UTC inclusive.
inline constexpr int kDayTrackInstants = 24 * 60 / kDayTrackStepMinutes + 1;

/// What the day tracks depend on: the UTC day (00:00, a `DateTime`), the
/// station (its position, source option and user source) and the observing
/// conditions. Tracks are computed again only when this changes.
struct DayTrackKey {
    DateTime DayUtc = 0;
    HomeStation Station;
    ObservingConditions Conditions;

    bool operator==(const DayTrackKey&) const = default;
};

/// The key of the UTC day of `utc` (a `DateTime` in UTC).
DayTrackKey DayTrackKeyFor(DateTime utc, const HomeStation& station,
                           const ObservingConditions& conditions);

/// Whether `key` is the key of `utc`, `station` and `conditions`, without
/// making one (a refresh asks this several times a second).
bool DayTrackKeyMatches(const DayTrackKey& key, DateTime utc, const HomeStation& station,
                        const ObservingConditions& conditions);

/// One place of a track: azimuth and elevation in degrees as SkyPlaces gives
/// them, at `MinuteOfDay` minutes after 00:00 UTC (a whole multiple of the
/// step for computed places; between two for a place on the horizon).
struct TrackPlace {
    double AzimuthDeg = 0;
    double ElevationDeg = 0;
    double MinuteOfDay = 0;
};

/// A run of places above the horizon, in time order. A piece that rises or
/// sets within the day begins or ends with a place on the horizon
/// (elevation 0), found by linear interpolation between the two computed
/// places around it.
using TrackPiece = std::vector<TrackPlace>;

/// The places of one source over the day, split into the pieces above the
/// horizon; no piece when it stays below all day.
struct DayTrack {
    SkySource Source = SkySource::Aquarius;
    std::vector<TrackPiece> Pieces;
};

/// The day tracks of the nine sources of the real-time display, built a few
/// instants at a time so the user-interface thread is never held for long:
/// `Start` with a key, then `Advance` until it returns true. The sun/moon
/// library's state is set again at every place (SkyPlaces hands over its
/// own request), so the real-time display can run between two calls.
class DayTrackBuilder {
public:
    /// Begins the tracks of `key`; the tracks of an earlier key are dropped.
    void Start(const DayTrackKey& key);

    /// Computes up to `instants` more instants (all nine sources at each);
    /// true once every instant of the day is done.
    bool Advance(SkyPlaces& places, int instants);

    bool Started() const { return started_; }
    bool Done() const { return started_ && next_ >= kDayTrackInstants; }
    const DayTrackKey& Key() const { return key_; }
    /// The tracks, in the display's order; complete when `Done`.
    const std::array<DayTrack, kDisplayedSourceCount>& Tracks() const { return tracks_; }

private:
    DayTrackKey key_;
    bool started_ = false;
    int next_ = 0; // index of the next instant, 0..kDayTrackInstants
    std::array<DayTrack, kDisplayedSourceCount> tracks_{};
    std::array<bool, kDisplayedSourceCount> present_{}; // a source for the pair
    std::array<TrackPlace, kDisplayedSourceCount> last_{};
    std::array<bool, kDisplayedSourceCount> haveLast_{}; // last_ is a valid place
};

/// All nine tracks of `key` at once (for tests and tools).
std::array<DayTrack, kDisplayedSourceCount> ComputeDayTracks(SkyPlaces& places,
                                                             const DayTrackKey& key);

} // namespace vantrel
