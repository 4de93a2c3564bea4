#pragma once

#include "astro/SunMoon.h"

#include <cmath>

namespace vantrel {

/// Sun and Moon angles that move with the time of day, so a filled grid
/// looks like a real table: the Moon sets at 20:00, the Sun stands between
/// 04:00 and 20:00, both are blank and white below the horizon.
class SweepingSunMoon final : public SunMoonLibrary {
public:
    void DataToDLL(const DecodedInstant& utc, double, double, double, SunMoonBody b) override {
        hours_ = utc.Hour + utc.Minute / 60.0;
        body_ = b;
    }
    double GetAzimuth() override { return 15.0 * hours_; }
    double GetElevation() override {
        return body_ == SunMoonBody::Sun ? 40.0 - 5.0 * std::abs(hours_ - 12.0) : 20.0 - hours_;
    }
    double GetGHA() override { return 15.0 * hours_; }
    double GetDecTopo() override { return body_ == SunMoonBody::Sun ? -22.9 : 11.4; }

private:
    double hours_ = 0;
    SunMoonBody body_ = SunMoonBody::Moon;
};

} // namespace vantrel
