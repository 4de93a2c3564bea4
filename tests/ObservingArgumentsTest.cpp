#include "tools/ObservingArguments.h"

#include <gtest/gtest.h>

#include <vector>

namespace vantrel {
namespace {

struct Given {
    const char* Name;
    std::vector<std::pair<std::string_view, std::optional<std::string_view>>> Flags;
    const char* Error; ///< start of the refusal; empty when accepted
};

class ObservingArgumentsRefusals : public ::testing::TestWithParam<Given> {};

TEST_P(ObservingArgumentsRefusals, OneClearReason) {
    ObservingArguments a;
    std::string error;
    for (const auto& [flag, value] : GetParam().Flags) {
        if (auto e = a.Apply(flag, value)) {
            error = *e;
            break;
        }
    }
    if (error.empty()) {
        error = a.Missing().value_or("");
    }
    EXPECT_EQ(error.substr(0, std::string_view(GetParam().Error).size()), GetParam().Error)
        << error;
    EXPECT_EQ(error.find('\n'), std::string::npos);
}

// Refraction does not depend on the frequency: --refraction alone is
// complete (it once asked for --frequency).
TEST(ObservingArguments, RefractionNeedsNoFrequency) {
    ObservingArguments a;
    ASSERT_FALSE(a.Apply("--refraction", "1013,10,50"));
    EXPECT_TRUE(a.Conditions.Refraction);
    EXPECT_FALSE(a.FrequencyGiven);
    EXPECT_FALSE(a.Missing());
}

INSTANTIATE_TEST_SUITE_P(
    Flags, ObservingArgumentsRefusals,
    ::testing::Values(
        Given{"TwoNumbers", {{"--refraction", "1013,10"}}, "--refraction: '1013,10' is not P,T,RH"},
        Given{"FourNumbers",
              {{"--refraction", "1013,10,50,1"}},
              "--refraction: '1013,10,50,1' is not P,T,RH"},
        Given{"PressureHigh",
              {{"--refraction", "1300,10,50"}},
              "--refraction: '1300,10,50': Pressure must be from 0 to 1200 hPa."},
        Given{"Cold",
              {{"--refraction", "1013,-90,50"}},
              "--refraction: '1013,-90,50': Temperature must be from -80 to 60"},
        Given{"Soaked",
              {{"--refraction", "1013,10,101"}},
              "--refraction: '1013,10,101': Relative humidity must be from 0 to 100 %."},
        Given{"EmptyHumidity",
              {{"--refraction", "1013,10,"}},
              "--refraction: '1013,10,': Relative humidity must be a number."},
        Given{"NoValue", {{"--refraction", std::nullopt}}, "--refraction needs P,T,RH"},
        Given{"FrequencyText",
              {{"--frequency", "2m"}},
              "--frequency: '2m': Frequency must be a number."},
        Given{"FrequencyLow",
              {{"--frequency", "0.5"}},
              "--frequency: '0.5': Frequency must be from 1 MHz"},
        Given{"FrequencyNaN",
              {{"--frequency", "nan"}},
              "--frequency: 'nan': Frequency must be a number."},
        Given{"ApparentWithValue", {{"--apparent", "yes"}}, "--apparent takes no value"},
        Given{"Accepted",
              {{"--apparent", std::nullopt},
               {"--refraction", "950.5,-3,80"},
               {"--frequency", "10368"}},
              ""}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST(ObservingArguments, AcceptedValuesReachTheConditions) {
    ObservingArguments a;
    EXPECT_FALSE(a.Apply("--refraction", " 950.5 ,-3,80").has_value());
    EXPECT_FALSE(a.Apply("--frequency", "144.3").has_value());
    EXPECT_FALSE(a.Missing().has_value());
    EXPECT_TRUE(a.Conditions.Refraction);
    EXPECT_FALSE(a.Conditions.Apparent);
    EXPECT_EQ(a.Conditions.PressureHpa, 950.5);
    EXPECT_EQ(a.Conditions.TemperatureC, -3);
    EXPECT_EQ(a.Conditions.RelativeHumidityPercent, 80);
    EXPECT_EQ(a.Conditions.FrequencyMHz, 144.3);
}

} // namespace
} // namespace vantrel
