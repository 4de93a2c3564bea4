#include "scan/OffPointChoice.h"

#include <cmath>
#include <numbers>

namespace vantrel::scan {

namespace {
constexpr double kRadPerDeg = std::numbers::pi / 180.0;
}

std::optional<OffPointPlan> ChooseOffPoint(OffChoice choice, const ColdSkyReference& sky,
                                           double offBeams, double beamwidthDeg,
                                           double sourceElevationDeg, std::string& why) {
    if (choice == OffChoice::Alternate) {
        return std::nullopt;
    }
    if (!std::isfinite(sky.SourceTskyK)) {
        why = "the sky model gives no sky behind the source";
        return std::nullopt;
    }
    OffPointPlan plan;
    plan.SourceTskyK = sky.SourceTskyK;
    if (choice == OffChoice::ColdestSky) {
        if (!sky.Point) {
            why = sky.Problem.empty() ? "no cold sky at the source's elevation" : sky.Problem;
            return std::nullopt;
        }
        plan.Reference = true;
        plan.OffTskyK = sky.Point->TskyK;
        plan.AzimuthOffsetDeg = sky.AzimuthStepDeg * std::cos(sourceElevationDeg * kRadPerDeg);
    } else {
        const bool plus = std::isfinite(sky.PlusTskyK);
        const bool minus = std::isfinite(sky.MinusTskyK);
        if (!plus && !minus) {
            why = "the skyline hides both sides of the source";
            return std::nullopt;
        }
        // The colder side; a side the skyline hides is never taken.
        const bool takePlus = plus && (!minus || sky.PlusTskyK <= sky.MinusTskyK);
        plan.OffTskyK = takePlus ? sky.PlusTskyK : sky.MinusTskyK;
        plan.AzimuthOffsetDeg = (takePlus ? 1.0 : -1.0) * offBeams * beamwidthDeg;
    }
    plan.BackgroundDifferenceK = plan.SourceTskyK - plan.OffTskyK;
    return plan;
}

} // namespace vantrel::scan
