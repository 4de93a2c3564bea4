#include "sunmoon/SlowEphemeris.h"

#include "sunmoon/Constants.h"
#include "sunmoon/ElpMpp02Moon.h"

#include <erfa.h>

#include <cmath>

namespace vantrel::sunmoon {

namespace {

/// Copies n doubles from a member array into the packed array at `at`, or back.
template <std::size_t N>
void Put(std::array<double, kSlowQuantityCount>& out, std::size_t& at, const double (&v)[N]) {
    for (std::size_t i = 0; i < N; ++i) {
        out[at++] = v[i];
    }
}

template <std::size_t N>
void Take(const std::array<double, kSlowQuantityCount>& in, std::size_t& at, double (&v)[N]) {
    for (std::size_t i = 0; i < N; ++i) {
        v[i] = in[at++];
    }
}

} // namespace

std::array<double, kSlowQuantityCount> Pack(const SlowQuantities& q) {
    std::array<double, kSlowQuantityCount> out{};
    std::size_t at = 0;
    for (const auto& row : q.Npb) {
        Put(out, at, row);
    }
    out[at++] = q.EquationOfOriginsRad;
    Put(out, at, q.EarthHelioPositionAu);
    Put(out, at, q.EarthHelioVelocityAuPerDay);
    Put(out, at, q.EarthBaryVelocityAuPerDay);
    Put(out, at, q.MoonGeoPositionAu);
    Put(out, at, q.MoonGeoVelocityAuPerDay);
    return out;
}

SlowQuantities Unpack(const std::array<double, kSlowQuantityCount>& values) {
    SlowQuantities q;
    std::size_t at = 0;
    for (auto& row : q.Npb) {
        Take(values, at, row);
    }
    q.EquationOfOriginsRad = values[at++];
    Take(values, at, q.EarthHelioPositionAu);
    Take(values, at, q.EarthHelioVelocityAuPerDay);
    Take(values, at, q.EarthBaryVelocityAuPerDay);
    Take(values, at, q.MoonGeoPositionAu);
    Take(values, at, q.MoonGeoVelocityAuPerDay);
    return q;
}

SlowQuantities DirectSlowQuantities(double ttDaysSinceJ2000) {
    SlowQuantities q;
    const double tt1 = kJ2000Jd;
    const double tt2 = ttDaysSinceJ2000;

    eraPnm06a(tt1, tt2, q.Npb);
    double x = 0;
    double y = 0;
    eraBpn2xy(q.Npb, &x, &y);
    q.EquationOfOriginsRad = eraEors(q.Npb, eraS06(tt1, tt2, x, y));

    // Status +1 (outside 1900-2100) cannot occur for the years accepted.
    double helio[2][3];
    double bary[2][3];
    eraEpv00(tt1, tt2, helio, bary);
    for (int i = 0; i < 3; ++i) {
        q.EarthHelioPositionAu[i] = helio[0][i];
        q.EarthHelioVelocityAuPerDay[i] = helio[1][i];
        q.EarthBaryVelocityAuPerDay[i] = bary[1][i];
    }

    const MoonState moon = ElpMpp02Moon::Compiled().Gcrs(ttDaysSinceJ2000);
    for (int i = 0; i < 3; ++i) {
        q.MoonGeoPositionAu[i] = moon.PositionKm[i] / kAuKilometres;
        q.MoonGeoVelocityAuPerDay[i] = moon.VelocityKmPerDay[i] / kAuKilometres;
    }
    return q;
}

std::int64_t SlowEphemeris::WindowOf(double ttDaysSinceJ2000) {
    return static_cast<std::int64_t>(std::floor(ttDaysSinceJ2000 / kWindowDays));
}

void SlowEphemeris::FitWindow(std::int64_t window) {
    const double start = static_cast<double>(window) * kWindowDays;
    std::array<std::array<double, kSlowQuantityCount>, kWindowNodes> samples{};
    for (std::size_t j = 0; j < kWindowNodes; ++j) {
        const double tt = start + 0.5 * kWindowDays * (ChebyshevNode(j, kWindowNodes) + 1.0);
        samples[j] = Pack(DirectSlowQuantities(tt));
    }
    series_.Fit(samples);
    window_ = window;
    valid_ = true;
    ++fitted_;
}

SlowQuantities SlowEphemeris::At(double ttDaysSinceJ2000) {
    const std::int64_t window = WindowOf(ttDaysSinceJ2000);
    if (!valid_ || window != window_) {
        FitWindow(window);
    }
    const double start = static_cast<double>(window) * kWindowDays;
    const double x = 2.0 * (ttDaysSinceJ2000 - start) / kWindowDays - 1.0;
    return Unpack(series_.Evaluate(x));
}

} // namespace vantrel::sunmoon
