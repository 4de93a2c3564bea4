#include "measure/NumberText.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <optional>
#include <string>

namespace {

using vantrel::measure::FiniteNumber;

TEST(NumberText, DecimalNumbersAreRead) {
    const struct {
        const char* Text;
        double Expected;
    } cases[] = {{"1296", 1296},
                 {"-3.5", -3.5},
                 {"1e3", 1000},
                 {"+2", 2},
                 {".5", 0.5},
                 {"5.", 5},
                 {"1E-3", 1e-3},
                 {"-0", 0},
                 {"1e-400", 0},
                 {"0.000001", 1e-6},
                 {"1.7976931348623157e308", 1.7976931348623157e308}};
    for (const auto& c : cases) {
        const std::optional<double> v = FiniteNumber(c.Text);
        ASSERT_TRUE(v.has_value()) << c.Text;
        EXPECT_EQ(*v, c.Expected) << c.Text;
    }
}

/// The C library's reading took hexadecimal numbers ("0x10" as 16, "0x1p3"
/// as 8) from a measurement log or Vanset.ini, which hold decimal text.
TEST(NumberText, AnythingButOneDecimalNumberIsRefused) {
    for (const char* text : {"", " 5", "5 ", "0x10", "0x1p3", "inf", "-infinity", "nan", "1e400",
                             "--5", "1,5", "5e", ".", "+", "e5", "1.2.3", "\t7"}) {
        EXPECT_FALSE(FiniteNumber(text).has_value()) << text;
    }
    EXPECT_FALSE(FiniteNumber(std::string("7\0"
                                          "8",
                                          3))
                     .has_value());
}

/// A window program runs in the user's locale; a locale with a decimal
/// comma must not make "3.5" unreadable (Vanset.ini would lose it).
TEST(NumberText, ThePointCountsInAnyLocale) {
    const std::string before = std::setlocale(LC_NUMERIC, nullptr);
    bool found = false;
    for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "fr_FR.UTF-8", "nl_NL.UTF-8"}) {
        if (std::setlocale(LC_NUMERIC, name) != nullptr) {
            found = true;
            break;
        }
    }
    if (!found) {
        GTEST_SKIP() << "no locale with a decimal comma installed";
    }
    const std::optional<double> v = FiniteNumber("3.5");
    std::setlocale(LC_NUMERIC, before.c_str());
    ASSERT_TRUE(v.has_value());
    EXPECT_EQ(*v, 3.5);
}

} // namespace
