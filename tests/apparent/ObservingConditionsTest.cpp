// Validation of the observing conditions and the refraction constants.

#include "apparent/ObservingConditions.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

namespace vantrel {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

struct ValueCase {
    ConditionField Field;
    double Value;
    std::string_view Problem; // empty: accepted
};

const ValueCase kValueCases[] = {
    {ConditionField::Pressure, 0.0, ""},
    {ConditionField::Pressure, 1013.25, ""},
    {ConditionField::Pressure, 1200.0, ""},
    {ConditionField::Pressure, -0.001, "Pressure must be from 0 to 1200 hPa."},
    {ConditionField::Pressure, 1200.001, "Pressure must be from 0 to 1200 hPa."},
    {ConditionField::Pressure, kNaN, "Pressure must be a number."},
    {ConditionField::Pressure, kInf, "Pressure must be a number."},
    {ConditionField::Temperature, -80.0, ""},
    {ConditionField::Temperature, 60.0, ""},
    {ConditionField::Temperature, -80.5,
     "Temperature must be from -80 to 60 \xC2\xB0"
     "C."},
    {ConditionField::Temperature, 60.5,
     "Temperature must be from -80 to 60 \xC2\xB0"
     "C."},
    {ConditionField::Temperature, -kInf, "Temperature must be a number."},
    {ConditionField::RelativeHumidity, 0.0, ""},
    {ConditionField::RelativeHumidity, 100.0, ""},
    {ConditionField::RelativeHumidity, -1.0, "Relative humidity must be from 0 to 100 %."},
    {ConditionField::RelativeHumidity, 100.1, "Relative humidity must be from 0 to 100 %."},
    {ConditionField::RelativeHumidity, kNaN, "Relative humidity must be a number."},
    {ConditionField::Frequency, 1.0, ""},
    {ConditionField::Frequency, 1e6, ""},
    {ConditionField::Frequency, 0.999, "Frequency must be from 1 MHz to 1000 GHz."},
    {ConditionField::Frequency, 1000000.5, "Frequency must be from 1 MHz to 1000 GHz."},
    {ConditionField::Frequency, 0.0, "Frequency must be from 1 MHz to 1000 GHz."},
    {ConditionField::Frequency, kNaN, "Frequency must be a number."},
};

TEST(ObservingConditions, RangesOfEachField) {
    for (const ValueCase& c : kValueCases) {
        EXPECT_EQ(ConditionProblem(c.Field, c.Value), c.Problem)
            << "field " << static_cast<int>(c.Field) << " value " << c.Value;
    }
}

struct TextCase {
    ConditionField Field;
    std::string_view Text;
    double Value;
    std::string_view Problem;
};

const TextCase kTextCases[] = {
    {ConditionField::Pressure, "1013.25", 1013.25, ""},
    {ConditionField::Pressure, "  850 ", 850.0, ""},
    {ConditionField::Pressure, "+900", 900.0, ""},
    {ConditionField::Pressure, "1.2e3", 1200.0, ""},
    {ConditionField::Pressure, "1300", 1300.0, "Pressure must be from 0 to 1200 hPa."},
    {ConditionField::Pressure, "", 0.0, "Pressure must be a number."},
    {ConditionField::Pressure, "abc", 0.0, "Pressure must be a number."},
    {ConditionField::Pressure, "1013,25", 0.0, "Pressure must be a number."},
    {ConditionField::Pressure, "nan", 0.0, "Pressure must be a number."},
    {ConditionField::Temperature, "-12.5", -12.5, ""},
    {ConditionField::Temperature, "12 C", 0.0, "Temperature must be a number."},
    {ConditionField::RelativeHumidity, "55", 55.0, ""},
    {ConditionField::RelativeHumidity, "inf", 0.0, "Relative humidity must be a number."},
    {ConditionField::Frequency, "1296", 1296.0, ""},
    {ConditionField::Frequency, "0.5", 0.5, "Frequency must be from 1 MHz to 1000 GHz."},
};

TEST(ObservingConditions, ParsingTypedText) {
    for (const TextCase& c : kTextCases) {
        const ParsedCondition p = ParseCondition(c.Field, c.Text);
        EXPECT_EQ(p.Problem, c.Problem) << "text \"" << c.Text << "\"";
        if (c.Problem.empty() || p.Problem.find("must be from") != std::string_view::npos) {
            EXPECT_EQ(p.Value, c.Value) << "text \"" << c.Text << "\"";
        }
    }
}

TEST(ObservingConditions, ValidationListsEveryRefusedFieldInOrder) {
    EXPECT_TRUE(ValidateConditions(ObservingConditions{}).empty());
    ObservingConditions bad;
    bad.PressureHpa = -1;
    bad.RelativeHumidityPercent = kNaN;
    bad.FrequencyMHz = 2e6;
    const auto problems = ValidateConditions(bad);
    ASSERT_EQ(problems.size(), 3U);
    EXPECT_EQ(problems[0].Field, ConditionField::Pressure);
    EXPECT_EQ(problems[1].Field, ConditionField::RelativeHumidity);
    EXPECT_EQ(problems[1].Problem, "Relative humidity must be a number.");
    EXPECT_EQ(problems[2].Field, ConditionField::Frequency);
}

TEST(ObservingConditions, WavelengthIsLightSpeedOverFrequency) {
    // 1420.405752 MHz is the 21 cm hydrogen line: 211.061 140 mm.
    EXPECT_NEAR(WavelengthMicrometres(1420.405752), 211061.140, 0.001);
    EXPECT_NEAR(WavelengthMicrometres(1e6), 299.792458, 1e-9); // 1000 GHz: still radio (>100 µm)
}

TEST(ObservingConditions, RefractionConstants) {
    ObservingConditions c;
    EXPECT_EQ(RefractionConstantsFor(c).ARad, 0.0) << "refraction off";
    c.Refraction = true;
    const RefractionConstants k = RefractionConstantsFor(c);
    // Radio refraction at sea level: A about 60-65″ for temperate humid air,
    // more than the optical 57-58″ because water vapour counts fully.
    EXPECT_GT(k.ARad * 206264.806, 58.0);
    EXPECT_LT(k.ARad * 206264.806, 75.0);
    EXPECT_LT(k.BRad, 0.0);
    ObservingConditions dry = c;
    dry.RelativeHumidityPercent = 0;
    EXPECT_LT(RefractionConstantsFor(dry).ARad, k.ARad) << "humid air refracts radio more";
    ObservingConditions vacuum = c;
    vacuum.PressureHpa = 0;
    EXPECT_EQ(RefractionConstantsFor(vacuum).ARad, 0.0);
    // The radio formula does not depend on the frequency.
    ObservingConditions other = c;
    other.FrequencyMHz = 10368;
    EXPECT_EQ(RefractionConstantsFor(other).ARad, k.ARad);
}

} // namespace
} // namespace vantrel
