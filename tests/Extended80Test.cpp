#include "station/Extended80.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>

namespace vantrel {
namespace {

Extended80 Bytes(std::uint64_t significand, std::uint16_t word) {
    Extended80 b{};
    for (int i = 0; i < 8; ++i) {
        b[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(significand >> (8 * i));
    }
    b[8] = static_cast<std::uint8_t>(word & 0xFF);
    b[9] = static_cast<std::uint8_t>(word >> 8);
    return b;
}

struct KnownEncoding {
    const char* name;
    long double value;
    std::uint64_t significand;
    std::uint16_t word;
};

// Reference bit patterns of the x87 80-bit format (Intel SDM vol. 1, 4.2.2).
const KnownEncoding kKnown[] = {
    {"one", 1.0L, 0x8000000000000000ULL, 0x3FFF},
    {"minus two", -2.0L, 0x8000000000000000ULL, 0xC000},
    {"three", 3.0L, 0xC000000000000000ULL, 0x4000},
    {"one half", 0.5L, 0x8000000000000000ULL, 0x3FFE},
    {"fifty two and a quarter", 52.25L, 0xD100000000000000ULL, 0x4004},
    {"smallest denormal", std::numeric_limits<long double>::denorm_min(), 1, 0x0000},
    {"largest finite", std::numeric_limits<long double>::max(), 0xFFFFFFFFFFFFFFFFULL, 0x7FFE},
};

TEST(Extended80, KnownBitPatternsBothWays) {
    for (const auto& k : kKnown) {
        SCOPED_TRACE(k.name);
        EXPECT_EQ(EncodeExtended80(k.value), Bytes(k.significand, k.word));
        EXPECT_EQ(DecodeExtended80(Bytes(k.significand, k.word)), k.value);
    }
}

TEST(Extended80, RoundTripIsBitIdentical) {
    const long double values[] = {
        0.0L,   -0.0L,    52.123456789012345678L,    -1.2345e-4L, 5.75L,         -23.5L,
        1e300L, 1e-4940L, 3.1415926535897932384626L, 123.7L,      58.815L / 3.0L};
    for (const long double v : values) {
        const long double back = DecodeExtended80(EncodeExtended80(v));
        EXPECT_EQ(std::memcmp(&back, &v, 10), 0) << "value " << v << " came back as " << back;
    }
}

TEST(Extended80, NonFiniteIsNeverWritten) {
    EXPECT_EQ(EncodeExtended80(std::numeric_limits<long double>::quiet_NaN()), Extended80{});
    EXPECT_EQ(EncodeExtended80(std::numeric_limits<long double>::infinity()), Extended80{});
    EXPECT_EQ(EncodeExtended80(-std::numeric_limits<long double>::infinity()), Extended80{});
}

TEST(Extended80, DecodesSpecialAndOddPatterns) {
    EXPECT_TRUE(std::isinf(DecodeExtended80(Bytes(0x8000000000000000ULL, 0x7FFF))));
    EXPECT_TRUE(std::isnan(DecodeExtended80(Bytes(0xC000000000000000ULL, 0xFFFF))));
    // An "unnormal" (integer bit clear, exponent non-zero) decodes by its value.
    EXPECT_EQ(DecodeExtended80(Bytes(0x4000000000000000ULL, 0x3FFF)), 0.5L);
    EXPECT_EQ(DecodeExtended80(Extended80{}), 0.0L);
}

} // namespace
} // namespace vantrel
