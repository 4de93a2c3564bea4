#include "skychart/DayTracks.h"

#include <cmath>

namespace vantrel {

namespace {

constexpr double kFullCircleDeg = 360.0;
constexpr double kHalfCircleDeg = 180.0;

/// Where the straight run from `a` to `b` crosses the horizon: elevation
/// and time linear between them, azimuth along the shorter way round.
TrackPlace OnHorizon(const TrackPlace& a, const TrackPlace& b) {
    const double t = a.ElevationDeg / (a.ElevationDeg - b.ElevationDeg);
    double dAz = b.AzimuthDeg - a.AzimuthDeg;
    if (dAz > kHalfCircleDeg) {
        dAz -= kFullCircleDeg;
    } else if (dAz < -kHalfCircleDeg) {
        dAz += kFullCircleDeg;
    }
    double az = std::fmod(a.AzimuthDeg + t * dAz, kFullCircleDeg);
    if (az < 0) {
        az += kFullCircleDeg;
    }
    return {az, 0.0, a.MinuteOfDay + t * (b.MinuteOfDay - a.MinuteOfDay)};
}

} // namespace

DayTrackKey DayTrackKeyFor(DateTime utc, const HomeStation& station,
                           const ObservingConditions& conditions) {
    return {std::floor(utc), station, conditions};
}

bool DayTrackKeyMatches(const DayTrackKey& key, DateTime utc, const HomeStation& station,
                        const ObservingConditions& conditions) {
    return key.DayUtc == std::floor(utc) && key.Station == station && key.Conditions == conditions;
}

void DayTrackBuilder::Start(const DayTrackKey& key) {
    key_ = key;
    started_ = true;
    next_ = 0;
    for (std::size_t pair = 0; pair < kDisplayedSourceCount; ++pair) {
        const auto source = DisplayedSource(pair, key.Station);
        present_[pair] = source.has_value();
        tracks_[pair].Source = source.value_or(SkySource::Aquarius);
        tracks_[pair].Pieces.clear();
        haveLast_[pair] = false;
    }
}

bool DayTrackBuilder::Advance(SkyPlaces& places, int instants) {
    if (!started_) {
        return false;
    }
    for (int n = 0; n < instants && next_ < kDayTrackInstants; ++n, ++next_) {
        const double minute = static_cast<double>(next_) * kDayTrackStepMinutes;
        const DecodedInstant utc =
            DecodeInstant(AddMinutes(key_.DayUtc, next_ * kDayTrackStepMinutes));
        for (std::size_t pair = 0; pair < kDisplayedSourceCount; ++pair) {
            if (!present_[pair]) {
                continue;
            }
            const SkyPlaceDeg p =
                places.At(tracks_[pair].Source, key_.Station, key_.Conditions, utc);
            std::vector<TrackPiece>& pieces = tracks_[pair].Pieces;
            if (!p.Valid) {
                haveLast_[pair] = false; // a gap: the next place above begins a piece
                continue;
            }
            const TrackPlace here{p.AzimuthDeg, p.ElevationDeg, minute};
            const TrackPlace& before = last_[pair];
            const bool wasUp = haveLast_[pair] && before.ElevationDeg >= 0;
            const bool isUp = here.ElevationDeg >= 0;
            if (isUp && !wasUp) {
                pieces.emplace_back();
                if (haveLast_[pair]) { // rose since the last place
                    pieces.back().push_back(OnHorizon(before, here));
                }
            }
            if (isUp) {
                pieces.back().push_back(here);
            } else if (wasUp) { // set since the last place
                pieces.back().push_back(OnHorizon(before, here));
            }
            last_[pair] = here;
            haveLast_[pair] = true;
        }
    }
    return Done();
}

std::array<DayTrack, kDisplayedSourceCount> ComputeDayTracks(SkyPlaces& places,
                                                             const DayTrackKey& key) {
    DayTrackBuilder builder;
    builder.Start(key);
    builder.Advance(places, kDayTrackInstants);
    return builder.Tracks();
}

} // namespace vantrel
