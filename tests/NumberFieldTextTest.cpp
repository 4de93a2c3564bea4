#include "controls/NumberFieldText.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

namespace {

using vantrel::FormatFieldNumber;
using vantrel::ParseFieldNumber;

TEST(NumberFieldText, FormatsAsTheFieldShowsIt) {
    const struct {
        long double Value;
        int Decimals;
        const char* Expected;
    } cases[] = {
        {1013.25L, 2, "1013.25"},
        {2.5L, 0, "3"},
        {-2.5L, 0, "-3"},
        {0.125L, -1, "0.125"},
        {1.0L / 3, 4, "0.3333"},
        {123456789012345.678L, 2, "123456789012346.00"},
        {0, 3, "0.000"},
        {1e-20L, -1, "0"},
        {-26.2333L, 14, "-26.23330000000000"},
        {NAN, 2, "NAN"},
        {-INFINITY, 2, "-INF"},
        {7, 99, "7.00000000000000"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(FormatFieldNumber(c.Value, c.Decimals), c.Expected)
            << static_cast<double>(c.Value) << " with " << c.Decimals << " decimals";
    }
}

TEST(NumberFieldText, ReadsNumbersAsTyped) {
    EXPECT_EQ(ParseFieldNumber("12."), 12.0L);
    EXPECT_EQ(ParseFieldNumber(".5"), 0.5L);
    EXPECT_EQ(ParseFieldNumber("-1.5E3"), -1500.0L);
    EXPECT_EQ(ParseFieldNumber("+7"), 7.0L);
    EXPECT_EQ(ParseFieldNumber("1e-5000"), 0.0L); // too small to hold
    EXPECT_TRUE(std::signbit(*ParseFieldNumber("-1e-5000")));
    for (const char* text : {"", "-", ".", "1e", "0x10", "inf", "nan", "1 2", "1,5", "1e5000"}) {
        EXPECT_FALSE(ParseFieldNumber(text).has_value()) << text;
    }
}

/// The sign of the exponent decided between too large and too small, so a
/// long run of digits with a small negative exponent (a huge number) read
/// as 0 instead of being refused.
TEST(NumberFieldText, AHugeMantissaWithANegativeExponentIsTooLargeNotZero) {
    const std::string huge = "1" + std::string(5000, '0') + "e-1"; // 1e4999
    EXPECT_FALSE(ParseFieldNumber(huge).has_value());
    const std::string fine = "1" + std::string(400, '0') + "e-390"; // 1e10
    ASSERT_TRUE(ParseFieldNumber(fine).has_value());
    EXPECT_EQ(*ParseFieldNumber(fine), 1e10L);
}

TEST(NumberFieldText, WhatIsShownReadsBack) {
    for (const long double v : {0.1L, 1e-7L, 52.123456789L, -179.99999999L, 1e15L, 1e300L}) {
        for (int d = -1; d <= 14; ++d) {
            const auto back = ParseFieldNumber(FormatFieldNumber(v, d));
            ASSERT_TRUE(back.has_value()) << static_cast<double>(v) << " " << d;
            const long double unit = std::pow(10.0L, -(d < 0 ? 14 : d));
            EXPECT_LE(std::fabs(*back - v), unit / 2 + std::fabs(v) * 1e-14L)
                << static_cast<double>(v) << " " << d;
        }
    }
}

} // namespace
