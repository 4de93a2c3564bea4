#include "astro/SourcePosition.h"

#include "astro/ExtendedMath.h"
#include "astro/SiderealTime.h"

#include <charconv>
#include <cmath>
#include <cstdint>

namespace vantrel {

namespace {

/// Stands in for y when both arguments of QuadrantAngle are zero.
constexpr long double kQuadrantGuard = 1e-5L;
/// Hundredths of a degree per radian: 18000/π.
constexpr long double kHundredthsPerRadian = 5729.5779513082320876798154814105170332L;
constexpr int kFieldWidth = 5;

} // namespace

long double QuadrantAngle(long double y, long double x) {
    if (y == 0 && x == 0) {
        y = kQuadrantGuard;
    }
    const long double a = std::fabs(y);
    const long double b = std::fabs(x);
    long double r = b >= a ? std::atan(a / b) : kHalfPi - std::atan(b / a);
    if (x < 0) {
        r = kPi - r;
    }
    if (y < 0) {
        r = -r;
    }
    return r;
}

SineCosine SineCosine::Of(long double angleRad) {
    // The library's extended sine and cosine reduce every argument beyond π/4
    // with the multi-precision Payne-Hanek method, which cost more than all
    // the rest of a position. Hour angles stay within a few turns, so a
    // Cody-Waite reduction by π/2 split in two parts is exact to ~1e-19 rad.
    constexpr long double kHalfPiHigh = 1.570796326734125614166259765625L; // 31 bits
    constexpr long double kHalfPiLow = 6.0771005065061926014751442098584699687553e-11L;
    constexpr long double kTwoOverPi = 0.63661977236758134307553505349005744813783858L;
    constexpr long double kFastRange = 1e6L; // radians; k × high part stays exact
    SineCosine sc;
    if (!(std::fabs(angleRad) < kFastRange)) {
        ::sincosl(angleRad, &sc.Sin, &sc.Cos);
        return sc;
    }
    const long double k = std::rint(angleRad * kTwoOverPi);
    const long double r = (angleRad - k * kHalfPiHigh) - k * kHalfPiLow; // |r| <= π/4 + ε
    long double sinR = 0;
    long double cosR = 0;
    ::sincosl(r, &sinR, &cosR);
    switch (static_cast<int>(std::lrint(k)) & 3) {
    case 0:
        sc = {sinR, cosR};
        break;
    case 1:
        sc = {cosR, -sinR};
        break;
    case 2:
        sc = {-sinR, -cosR};
        break;
    default:
        sc = {-cosR, sinR};
        break;
    }
    return sc;
}

long double SineOf(long double angleRad) {
    // The same reduction as SineCosine::Of, then only the kernel the quadrant
    // needs: glibc's sinl and cosl run the very kernels its sincosl runs.
    constexpr long double kHalfPiHigh = 1.570796326734125614166259765625L; // 31 bits
    constexpr long double kHalfPiLow = 6.0771005065061926014751442098584699687553e-11L;
    constexpr long double kTwoOverPi = 0.63661977236758134307553505349005744813783858L;
    constexpr long double kFastRange = 1e6L; // radians
    if (!(std::fabs(angleRad) < kFastRange)) {
        return ::sinl(angleRad);
    }
    const long double k = std::rint(angleRad * kTwoOverPi);
    const long double r = (angleRad - k * kHalfPiHigh) - k * kHalfPiLow;
    switch (static_cast<int>(std::lrint(k)) & 3) {
    case 0:
        return ::sinl(r);
    case 1:
        return ::cosl(r);
    case 2:
        return -::sinl(r);
    default:
        return -::cosl(r);
    }
}

SourcePositionResult SourcePosition(long double gstHours, long double raRad, long double decRad,
                                    long double latRad, long double lonRad) {
    return SourcePosition(gstHours, raRad, SineCosine::Of(decRad), SineCosine::Of(latRad), lonRad);
}

SourcePositionResult SourcePosition(long double gstHours, long double raRad, SineCosine dec,
                                    SineCosine lat, long double lonRad) {
    SourcePositionResult p;
    p.GreenwichHourAngle = kTwoPi * FloorFrac(gstHours / 24 - raRad / kTwoPi);
    p.LocalHourAngle = p.GreenwichHourAngle + lonRad;

    const long double sinDec = dec.Sin;
    const long double cosDec = dec.Cos;
    const long double sinLat = lat.Sin;
    const long double cosLat = lat.Cos;
    const SineCosine h = SineCosine::Of(p.LocalHourAngle);

    const long double s = h.Cos * cosDec * cosLat + sinDec * sinLat;
    const long double cc = 1 - s * s;
    const long double c = cc > 0 ? std::sqrt(cc) : 0.0L;
    p.Elevation = QuadrantAngle(s, c);

    // sin(elevation) is s itself: the elevation is the angle whose sine is
    // s and cosine c, so no sine needs computing again.
    const long double y = -h.Sin * cosDec * cosLat;
    const long double x = sinDec - sinLat * s;
    long double az = QuadrantAngle(y, x);
    if (az <= 0) {
        az += kTwoPi;
    }
    p.Azimuth = az;
    return p;
}

long double RoundedDegrees(long double angleRad) {
    const long double hundredths = TruncExact(std::fabs(angleRad) * kHundredthsPerRadian + 0.5L);
    if (hundredths == 0) {
        return 0.0L;
    }
    const long double degrees = hundredths / 100;
    return angleRad < 0 ? -degrees : degrees;
}

std::string DegreeText(long double degrees) {
    constexpr long double kLargestFormatted = 1e15L; // hundredths that fit an int64 exactly
    const long double scaled = std::rint(degrees * 100);
    if (!(std::fabs(scaled) < kLargestFormatted)) {
        // Not a position at all (non-finite, or beyond any angle): shown as is.
        char digits[64];
        const auto r =
            std::to_chars(digits, digits + sizeof digits, degrees, std::chars_format::fixed, 2);
        return r.ec == std::errc{} ? std::string(digits, r.ptr) : std::string("?");
    }
    // Formatting the whole hundredths as an integer is exact and an order of
    // magnitude cheaper than a floating-point conversion; the sweep does it
    // for every cell.
    auto hundredths = static_cast<std::int64_t>(std::llrint(scaled)); // already whole
    const bool negative = hundredths < 0;                             // a zero result has no sign
    if (negative) {
        hundredths = -hundredths;
    }
    char reversed[24];
    int n = 0;
    reversed[n++] = static_cast<char>('0' + hundredths % 10);
    reversed[n++] = static_cast<char>('0' + hundredths / 10 % 10);
    reversed[n++] = '.';
    std::int64_t whole = hundredths / 100;
    do {
        reversed[n++] = static_cast<char>('0' + whole % 10);
        whole /= 10;
    } while (whole > 0);
    if (negative) {
        reversed[n++] = '-';
    }
    std::string text(n < kFieldWidth ? static_cast<std::size_t>(kFieldWidth - n) : 0U, ' ');
    for (int i = n - 1; i >= 0; --i) {
        text.push_back(reversed[i]);
    }
    return text;
}

} // namespace vantrel
