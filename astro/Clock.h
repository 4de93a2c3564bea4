#pragma once

#include "astro/DateTime.h"

namespace vantrel {

/// One reading of the local clock together with the time zone information
/// in force at that moment.
struct LocalClockReading {
    DateTime Local = 0;          ///< local date and time of day, to the millisecond
    int BiasMinutes = 0;         ///< UTC = local time + bias (standard time)
    int DaylightBiasMinutes = 0; ///< added to the bias while daylight time is in force
    bool DaylightInForce = false;
};

/// The operating system's local clock and time zone, behind an interface so
/// that tests and the real-time display's tests can run at chosen instants.
class LocalClock {
public:
    virtual ~LocalClock() = default;
    virtual LocalClockReading Now() const = 0;
};

/// The Linux clock: CLOCK_REALTIME to the millisecond and the time zone rules
/// of the TZ environment / /etc/localtime (localtime_r, tm_gmtoff, tm_isdst).
class SystemLocalClock final : public LocalClock {
public:
    LocalClockReading Now() const override;
};

/// Takes the present UTC instant and keeps the daylight-time state that the
/// station local time applies.
///
/// The daylight state follows the operating system: every `UtcNow` sets it
/// to whether daylight time is in force now, so local times come right
/// again when daylight time ends while the program runs.
class UtcClock {
public:
    explicit UtcClock(const LocalClock& clock) : clock_(clock) {}

    /// The present instant in UTC: local clock + bias, + daylight bias while
    /// daylight time is in force. Updates `DaylightInForce`.
    DateTime UtcNow();

    /// Whether daylight time was in force at the last `UtcNow`; false before.
    bool DaylightInForce() const { return daylightInForce_; }

private:
    const LocalClock& clock_;
    bool daylightInForce_ = false;
};

/// The station's local time for a UTC instant: `utcOffsetHours` × 60 rounded
/// to the nearest whole minute (halves to even), plus a fixed 60 minutes when
/// `daylightInForce`. The station's own offset is used, not the operating
/// system's zone. A non-finite offset counts as 0.
DateTime StationLocalTime(DateTime utc, long double utcOffsetHours, bool daylightInForce);

} // namespace vantrel
