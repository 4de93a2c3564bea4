#pragma once

#include <cmath>

namespace vantrel {

// Floor and truncation of extended values without switching the x87
// rounding mode. The library's floorl/truncl, and casts to integers, load a
// new control word twice per call, which stalls the pipeline and made the
// sidereal chain ten times slower than its arithmetic. rint rounds in the
// current (nearest) mode; one comparison turns that into floor or trunc.
// Both are exact for every finite value; NaN and infinities pass through.

/// Largest whole number <= x.
inline long double FloorExact(long double x) {
    const long double r = std::rint(x);
    return r > x ? r - 1 : r;
}

/// x with its fractional part removed (towards zero).
inline long double TruncExact(long double x) {
    return x < 0 ? -FloorExact(-x) : FloorExact(x);
}

} // namespace vantrel
