// Fuzz target: the values of Vanset.ini as the program takes them, the
// observing conditions (section "Observing") and the Measure window's
// numbers and solar flux (section "Measure"). A value that is refused takes
// its key's default, so only what these readers accept reaches the
// computation.
//
// Input: the first byte chooses the key, the rest is its text as the file
// holds it. Properties:
//  - an accepted condition is finite and within its range, and the text the
//    program writes for it ("%.17g") reads back to the same number;
//  - an accepted Measure number is positive and finite, an efficiency at
//    most 1, a frequency within the program's range;
//  - an accepted solar flux is one positive number or a table of positive
//    frequencies and fluxes, and gives a finite, positive flux density at
//    every frequency of the program's range; a refused one gives a reason.

#include "fuzz/FuzzCheck.h"
#include "measurewin/MeasureSetup.h"

#include <cmath>
#include <cstdio>

using namespace vantrel;

namespace {

constexpr ConditionField kConditions[] = {ConditionField::Pressure, ConditionField::Temperature,
                                          ConditionField::RelativeHumidity,
                                          ConditionField::Frequency};
constexpr SetupField kSetup[] = {SetupField::Frequency,  SetupField::Diameter,
                                 SetupField::Efficiency, SetupField::Gain,
                                 SetupField::Tsys,       SetupField::MoonTemperature};

void Condition(ConditionField field, std::string_view text) {
    const ParsedCondition parsed = ParseCondition(field, text);
    if (!parsed.Problem.empty()) {
        return;
    }
    FUZZ_CHECK(std::isfinite(parsed.Value));
    FUZZ_CHECK(ConditionProblem(field, parsed.Value).empty());
    char written[64];
    std::snprintf(written, sizeof written, "%.17g", parsed.Value);
    const ParsedCondition again = ParseCondition(field, written);
    FUZZ_CHECK(again.Problem.empty() && again.Value == parsed.Value);
}

void Setup(SetupField field, std::string_view text) {
    const ParsedSetupNumber parsed = ParseSetupNumber(field, text);
    if (!parsed.Problem.empty()) {
        return;
    }
    FUZZ_CHECK(std::isfinite(parsed.Value) && parsed.Value > 0);
    if (field == SetupField::Efficiency) {
        FUZZ_CHECK(parsed.Value <= 1);
    }
    if (field == SetupField::Frequency) {
        FUZZ_CHECK(parsed.Value >= kMinFrequencyMHz && parsed.Value <= kMaxFrequencyMHz);
    }
}

void Solar(std::string_view text) {
    const SolarEntry entry = ParseSolarEntry(text);
    if (!entry.Problem.empty()) {
        FUZZ_CHECK(!entry.Sfu && entry.Table.empty());
        FUZZ_CHECK(!SunFlux(entry, 1420).HasValue());
        return;
    }
    FUZZ_CHECK(entry.Sfu.has_value() != !entry.Table.empty());
    if (entry.Sfu) {
        FUZZ_CHECK(std::isfinite(*entry.Sfu) && *entry.Sfu > 0);
    }
    for (const auto& p : entry.Table) {
        FUZZ_CHECK(std::isfinite(p.FrequencyMHz) && p.FrequencyMHz > 0);
        FUZZ_CHECK(std::isfinite(p.Sfu) && p.Sfu > 0);
    }
    for (const double mhz : {kMinFrequencyMHz, 245.0, 1420.0, 2695.0, 10368.0, kMaxFrequencyMHz}) {
        const measure::FluxEstimate flux = SunFlux(entry, mhz);
        FUZZ_CHECK(flux.HasValue());
        FUZZ_CHECK(std::isfinite(flux.Jy) && flux.Jy > 0);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) {
        return 0;
    }
    const std::string_view text(reinterpret_cast<const char*>(data) + 1, size - 1);
    const unsigned key = data[0] % 11U;
    if (key < 4) {
        Condition(kConditions[key], text);
    } else if (key < 10) {
        Setup(kSetup[key - 4], text);
    } else {
        Solar(text);
    }
    return 0;
}
