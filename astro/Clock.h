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

/// Whether daylight time is in force at a given UTC instant. Each row of the
/// planning table takes the daylight correction of its own instant, so a
/// table that runs across the end of summer time changes its local times
/// where the operating system's rules do.
class DaylightRules {
public:
    virtual ~DaylightRules() = default;
    virtual bool InForceAt(DateTime utc) const = 0;
};

/// The operating system's time zone rules (localtime_r, tm_isdst). Zone
/// transitions fall on whole quarter hours of UTC in every zone in use, so
/// the answer is kept per UTC quarter hour; a sweep at one-minute steps asks
/// the C library once in fifteen rows.
class SystemDaylightRules final : public DaylightRules {
public:
    SystemDaylightRules();
    bool InForceAt(DateTime utc) const override;

private:
    mutable long long quarter_ = -1; // UTC quarter hour of the cached answer
    mutable bool inForce_ = false;
};

/// Daylight time forced on or off for every instant.
class FixedDaylight final : public DaylightRules {
public:
    explicit FixedDaylight(bool inForce) : inForce_(inForce) {}
    bool InForceAt(DateTime) const override { return inForce_; }

private:
    bool inForce_;
};

/// The station's local time for a UTC instant: `utcOffsetHours` × 60 rounded
/// to the nearest whole minute (halves to even), plus a fixed 60 minutes when
/// `daylightInForce`. The station's own offset is used, not the operating
/// system's zone. A non-finite offset counts as 0.
DateTime StationLocalTime(DateTime utc, long double utcOffsetHours, bool daylightInForce);

} // namespace vantrel
