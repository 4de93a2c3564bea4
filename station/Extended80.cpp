#include "station/Extended80.h"

#include <cmath>
#include <limits>

namespace vantrel {

namespace {

constexpr int kExponentBias = 16383;
constexpr int kMaxBiasedExponent = 0x7FFE; // largest finite
constexpr int kSignificandBits = 64;

} // namespace

Extended80 EncodeExtended80(long double value) {
    Extended80 out{};
    if (!std::isfinite(value) || value == 0.0L) {
        if (value == 0.0L && std::signbit(value)) {
            out[9] = 0x80; // keep negative zero: its bits are finite and exact
        }
        return out;
    }
    const bool negative = std::signbit(value);
    long double magnitude = std::fabs(value);

    int exponent = 0; // magnitude = m × 2^exponent, 0.5 <= m < 1
    const long double m = std::frexp(magnitude, &exponent);
    int biased = exponent - 1 + kExponentBias; // for the form 1.f × 2^(exponent-1)

    std::uint64_t significand = 0;
    if (biased >= 1) {
        long double scaled = std::rint(std::ldexp(m, kSignificandBits)); // in [2^63, 2^64]
        if (scaled >= std::ldexp(1.0L, kSignificandBits)) {
            scaled = std::ldexp(1.0L, kSignificandBits - 1);
            ++biased;
        }
        significand = static_cast<std::uint64_t>(scaled);
        if (biased > kMaxBiasedExponent) {
            biased = kMaxBiasedExponent;
            significand = std::numeric_limits<std::uint64_t>::max();
        }
    } else {
        // Denormal in the x87 format: value = significand × 2^(1 − bias − 63).
        const long double scaled =
            std::rint(std::ldexp(magnitude, kExponentBias - 1 + kSignificandBits - 1));
        significand = static_cast<std::uint64_t>(scaled);
        biased = (significand >> 63) != 0 ? 1 : 0; // rounding may reach the normal range
    }

    for (int i = 0; i < 8; ++i) {
        out[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(significand >> (8 * i));
    }
    const auto word =
        static_cast<std::uint16_t>((negative ? 0x8000U : 0U) | static_cast<unsigned>(biased));
    out[8] = static_cast<std::uint8_t>(word & 0xFFU);
    out[9] = static_cast<std::uint8_t>(word >> 8);
    return out;
}

long double DecodeExtended80(const Extended80& bytes) {
    std::uint64_t significand = 0;
    for (int i = 7; i >= 0; --i) {
        significand = (significand << 8) | bytes[static_cast<std::size_t>(i)];
    }
    const unsigned word = static_cast<unsigned>(bytes[8]) | (static_cast<unsigned>(bytes[9]) << 8);
    const bool negative = (word & 0x8000U) != 0;
    const int biased = static_cast<int>(word & 0x7FFFU);

    long double magnitude = 0;
    if (biased == 0x7FFF) {
        // Infinity when the fraction below the integer bit is zero, else NaN.
        const bool fractionZero = (significand << 1) == 0;
        magnitude = fractionZero ? std::numeric_limits<long double>::infinity()
                                 : std::numeric_limits<long double>::quiet_NaN();
    } else {
        const int exponent = (biased == 0 ? 1 : biased) - kExponentBias - (kSignificandBits - 1);
        magnitude = std::ldexp(static_cast<long double>(significand), exponent);
    }
    return negative ? -magnitude : magnitude;
}

} // namespace vantrel
