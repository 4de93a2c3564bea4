#include "eme/DopplerFollower.h"

#include "eme/EmeCalculator.h"

#include <algorithm>
#include <cmath>

namespace vantrel::eme {

namespace {
constexpr double kHzPerGHz = 1e9;
constexpr double kSmallestDeadBandHz = 1.0;
} // namespace

double DefaultDopplerDeadBandHz(std::int64_t skedHz) {
    return std::max(kSmallestDeadBandHz, static_cast<double>(skedHz) / kHzPerGHz);
}

bool InTransmitTime(const DopplerPeriod& period, double utcS) {
    if (period.LengthS <= 0) {
        return false;
    }
    const double length = period.LengthS;
    const double half = length / 2;
    double into = std::fmod(utcS, length);
    if (into < 0) {
        into += length;
    }
    const bool firstHalf = into < half;
    if (firstHalf == period.TransmitFirst) {
        return true;
    }
    // Receiving: the guard before the transmitter keys.
    const double receiveEnd = period.TransmitFirst ? length : half;
    return receiveEnd - into <= kDopplerTransmitGuardS;
}

DopplerSource CalculatorDoppler(std::shared_ptr<EmeCalculator> calculator, DopplerToFollow follow) {
    return [calculator = std::move(calculator), follow](double utcS) {
        const double whole = std::floor(utcS);
        const auto shiftAt = [&](double s) {
            const EmeMoment m = calculator->At(static_cast<UtcSeconds>(s));
            if (!m.Valid) {
                return MoonSight::kNaN;
            }
            return follow == DopplerToFollow::OwnEcho ? m.EchoDopplerHz : m.DxDopplerHz;
        };
        const double before = shiftAt(whole);
        const double fraction = utcS - whole;
        if (fraction == 0) {
            return before;
        }
        return before + (shiftAt(whole + 1) - before) * fraction;
    };
}

DopplerFollower::DopplerFollower(DopplerFollowSettings settings, DopplerRig& rig,
                                 DopplerSource doppler)
    : settings_(settings), rig_(rig), doppler_(std::move(doppler)) {}

std::optional<DopplerStep> DopplerFollower::Step(double utcS) {
    if (started_ && utcS < nextDueS_) {
        return std::nullopt;
    }
    const double update = settings_.UpdateS;
    if (!started_) {
        started_ = true;
        firstS_ = utcS;
        nextDueS_ = utcS + update;
    } else {
        // The next multiple of UpdateS after utcS: a late call makes no burst.
        const double n = std::floor((utcS - firstS_) / update) + 1;
        nextDueS_ = firstS_ + n * update;
    }
    DopplerStep step;
    step.UtcS = utcS;
    step.DopplerHz = doppler_(utcS);
    if (!std::isfinite(step.DopplerHz)) {
        step.What = DopplerStep::Outcome::NoDoppler;
        return step;
    }
    step.TargetHz = settings_.SkedHz + std::llround(step.DopplerHz);
    if (InTransmitTime(settings_.Period, utcS)) {
        step.What = DopplerStep::Outcome::Transmitting;
        return step;
    }
    if (lastSetHz_ &&
        std::abs(static_cast<double>(step.TargetHz - *lastSetHz_)) < settings_.DeadBand()) {
        step.What = DopplerStep::Outcome::Held;
        return step;
    }
    step.Error = rig_.SetFrequencyHz(step.TargetHz);
    if (!step.Error.empty()) {
        step.What = DopplerStep::Outcome::Failed;
        return step;
    }
    step.What = DopplerStep::Outcome::Set;
    lastSetHz_ = step.TargetHz;
    const DopplerRig::Reading back = rig_.FrequencyHz();
    step.ReadBackHz = back.Hz;
    step.Error = back.Error;
    return step;
}

std::string DopplerFollower::ReturnToSked() {
    std::string problem = rig_.SetFrequencyHz(settings_.SkedHz);
    if (!problem.empty()) {
        return problem;
    }
    lastSetHz_ = settings_.SkedHz;
    const DopplerRig::Reading back = rig_.FrequencyHz();
    if (!back.Error.empty()) {
        return back.Error;
    }
    if (back.Hz && *back.Hz != settings_.SkedHz) {
        return "The rig reports " + std::to_string(*back.Hz) + " Hz instead of the sked " +
               std::to_string(settings_.SkedHz) + " Hz.";
    }
    return {};
}

} // namespace vantrel::eme
