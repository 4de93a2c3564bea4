// The Doppler follower on a fake rig and a set clock: what it sets and
// when, the dead band, the transmit half of a cycle, a rig that fails, and
// an hour of a real Moon at 10 GHz.

#include "eme/DopplerFollower.h"
#include "eme/DopplerFollowWorker.h"
#include "eme/EmeCalculator.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <memory>
#include <thread>
#include <vector>

namespace vantrel::eme {
namespace {

/// A rig that keeps what it is told, and fails while `Away` is set.
class FakeRig final : public DopplerRig {
public:
    std::string SetFrequencyHz(std::int64_t hz) override {
        if (Away) {
            return "The rig is away.";
        }
        Hz = hz;
        Sets.push_back(hz);
        return {};
    }
    Reading FrequencyHz() override {
        if (Away) {
            return {std::nullopt, "The rig is away."};
        }
        return {Hz, {}};
    }
    bool Away = false;
    std::int64_t Hz = 0;
    std::vector<std::int64_t> Sets;
};

/// 2026-12-10 00:00:00 UTC in seconds of UtcSeconds: a multiple of every cycle.
const double kMidnight =
    static_cast<double>(UtcSecondsOf(EncodeDateTime(2026, 12, 10, 0, 0, 0, 0)));

using Outcome = DopplerStep::Outcome;

TEST(DopplerFollower, SetsWhenDueAndOnlyOutsideTheDeadBandAndTheTransmitHalf) {
    struct Step {
        double AtS;                  ///< seconds after midnight
        double ShiftHz;              ///< the Doppler shift then
        std::optional<Outcome> What; ///< empty: no update due
        std::int64_t RigHz;          ///< the rig afterwards
    };
    struct Case {
        const char* Name;
        std::int64_t SkedHz;
        DopplerPeriod Period;
        std::optional<double> DeadBandHz;
        std::vector<Step> Steps;
    };
    constexpr std::int64_t k1296 = 1296000000;
    constexpr std::int64_t k10g = 10368000000;
    const Case cases[] = {
        {"rounded to 1 Hz, due every 10 s, not before",
         k1296,
         {},
         {},
         {{0, 1234.4, Outcome::Set, k1296 + 1234},
          {5, 1240, std::nullopt, k1296 + 1234},
          {10, -1234.6, Outcome::Set, k1296 - 1235},
          // late: one update, the next on the 10 s grid
          {37, -1240, Outcome::Set, k1296 - 1240},
          {39.9, -1250, std::nullopt, k1296 - 1240},
          {40, -1250, Outcome::Set, k1296 - 1250}}},
        {"dead band of 1.296 Hz at 1296 MHz",
         k1296,
         {},
         {},
         {{0, 100, Outcome::Set, k1296 + 100},
          {10, 101.4, Outcome::Held, k1296 + 100},
          {20, 98.8, Outcome::Held, k1296 + 100},
          {30, 98.4, Outcome::Set, k1296 + 98}}},
        {"dead band of 10.368 Hz at 10 GHz: drifts add up",
         k10g,
         {},
         {},
         {{0, 20000, Outcome::Set, k10g + 20000},
          {10, 20006, Outcome::Held, k10g + 20000},
          {20, 20010, Outcome::Held, k10g + 20000},
          {30, 20011, Outcome::Set, k10g + 20011}}},
        {"dead band 0: every change of 1 Hz",
         k1296,
         {},
         0.0,
         {{0, 100, Outcome::Set, k1296 + 100},
          {10, 100.4, Outcome::Set, k1296 + 100},
          {20, 101, Outcome::Set, k1296 + 101}}},
        {"60 s cycle receiving first: nothing from :29.5 to :60",
         k1296,
         {60, false},
         0.0,
         {{9.6, 1, Outcome::Set, k1296 + 1},
          {19.6, 2, Outcome::Set, k1296 + 2},
          {29.6, 3, Outcome::Transmitting, k1296 + 2},
          {39.6, 4, Outcome::Transmitting, k1296 + 2},
          {59.6, 5, Outcome::Transmitting, k1296 + 2},
          {69.6, 6, Outcome::Set, k1296 + 6}}},
        {"60 s cycle transmitting first: nothing from :00 to :30",
         k1296,
         {60, true},
         0.0,
         {{0, 1, Outcome::Transmitting, k1296 * 0},
          {10, 2, Outcome::Transmitting, k1296 * 0},
          {30, 3, Outcome::Set, k1296 + 3},
          {59.5, 4, Outcome::Transmitting, k1296 + 3},
          {99.5, 5, Outcome::Set, k1296 + 5}}},
        {"an unknown shift leaves the rig alone",
         k1296,
         {},
         {},
         {{0, NAN, Outcome::NoDoppler, 0}, {10, 5, Outcome::Set, k1296 + 5}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        FakeRig rig;
        double shift = 0;
        DopplerFollowSettings settings;
        settings.SkedHz = c.SkedHz;
        settings.Period = c.Period;
        settings.DeadBandHz = c.DeadBandHz;
        DopplerFollower follower(settings, rig, [&](double) { return shift; });
        for (const Step& s : c.Steps) {
            SCOPED_TRACE(s.AtS);
            shift = s.ShiftHz;
            const std::optional<DopplerStep> step = follower.Step(kMidnight + s.AtS);
            ASSERT_EQ(step.has_value(), s.What.has_value());
            if (step) {
                EXPECT_EQ(step->What, *s.What);
                EXPECT_DOUBLE_EQ(step->UtcS, kMidnight + s.AtS);
                if (step->What == Outcome::Set) {
                    ASSERT_TRUE(step->ReadBackHz.has_value());
                    EXPECT_EQ(*step->ReadBackHz, s.RigHz);
                    EXPECT_EQ(step->TargetHz, s.RigHz);
                }
            }
            EXPECT_EQ(rig.Hz, s.RigHz);
        }
    }
}

TEST(DopplerFollower, ARigThatFailsIsTriedAgainAndReturnedToTheSked) {
    FakeRig rig;
    double shift = 500;
    DopplerFollowSettings settings;
    settings.SkedHz = 144000000;
    settings.Period = {60, false};
    DopplerFollower follower(settings, rig, [&](double) { return shift; });
    ASSERT_EQ(follower.Step(kMidnight)->What, Outcome::Set);
    rig.Away = true;
    shift = 520;
    const std::optional<DopplerStep> failed = follower.Step(kMidnight + 10);
    ASSERT_TRUE(failed);
    EXPECT_EQ(failed->What, Outcome::Failed);
    EXPECT_EQ(failed->Error, "The rig is away.");
    EXPECT_EQ(follower.LastSetHz(), 144000500);
    EXPECT_FALSE(follower.ReturnToSked().empty()) << "a rig away is not back at the sked";
    rig.Away = false;
    // Back: the same shift is set now, though unchanged since the failure.
    const std::optional<DopplerStep> again = follower.Step(kMidnight + 20);
    ASSERT_TRUE(again);
    EXPECT_EQ(again->What, Outcome::Set);
    EXPECT_EQ(rig.Hz, 144000520);
    // In the transmit half the operator's stop still returns the rig.
    EXPECT_TRUE(InTransmitTime(settings.Period, kMidnight + 45));
    EXPECT_EQ(follower.ReturnToSked(), "");
    EXPECT_EQ(rig.Hz, 144000000);
}

TEST(DopplerFollower, DefaultDeadBandScalesWithTheFrequency) {
    EXPECT_DOUBLE_EQ(DefaultDopplerDeadBandHz(50000000), 1.0);
    EXPECT_DOUBLE_EQ(DefaultDopplerDeadBandHz(144000000), 1.0);
    EXPECT_DOUBLE_EQ(DefaultDopplerDeadBandHz(1296000000), 1.296);
    EXPECT_DOUBLE_EQ(DefaultDopplerDeadBandHz(10368000000), 10.368);
}

TEST(DopplerFollower, FollowsTheMoonAtTenGigahertzForAnHour) {
    // Berlin and a DX station in Texas, 10368 MHz: the echo's shift runs
    // to kHz and changes by tens of Hz a minute. Every update, the rig
    // stays within the dead band of sked + shift in the receive halves.
    ObservingConditions conditions;
    conditions.FrequencyMHz = 10368;
    const EmeSite home{52.52, 13.405, 40};
    const EmeSite dx{32.9, -97.0, 180};
    for (const DopplerToFollow follow : {DopplerToFollow::OwnEcho, DopplerToFollow::Dx}) {
        SCOPED_TRACE(static_cast<int>(follow));
        auto calculator = std::make_shared<EmeCalculator>(home, dx, conditions);
        EmeCalculator check(home, dx, conditions);
        FakeRig rig;
        DopplerFollowSettings settings;
        settings.SkedHz = 10368000000;
        settings.Follow = follow;
        settings.Period = {120, true};
        DopplerFollower follower(settings, rig, CalculatorDoppler(calculator, follow));
        const double start = kMidnight + 18 * 3600;
        int sets = 0;
        for (double t = start; t < start + 3600; t += 0.5) {
            const std::optional<DopplerStep> step = follower.Step(t);
            if (!step) {
                continue;
            }
            const EmeMoment m = check.At(static_cast<UtcSeconds>(t));
            const double shift =
                follow == DopplerToFollow::OwnEcho ? m.EchoDopplerHz : m.DxDopplerHz;
            ASSERT_TRUE(std::isfinite(shift));
            EXPECT_NEAR(step->DopplerHz, shift, 1e-9);
            if (step->What == Outcome::Set) {
                ++sets;
                EXPECT_FALSE(InTransmitTime(settings.Period, t));
            }
            if (!InTransmitTime(settings.Period, t)) {
                EXPECT_LT(std::abs(static_cast<double>(rig.Hz - settings.SkedHz) - shift),
                          settings.DeadBand() + 0.5)
                    << "at " << t - start << " s";
            }
        }
        EXPECT_GT(sets, 10);
        EXPECT_LT(sets, 180) << "the dead band saves most updates";
    }
}

TEST(DopplerFollower, CalculatorDopplerIsLinearBetweenWholeSeconds) {
    ObservingConditions conditions;
    conditions.FrequencyMHz = 1296;
    const EmeSite home{52.52, 13.405, 40};
    auto calculator = std::make_shared<EmeCalculator>(home, std::nullopt, conditions);
    EmeCalculator check(home, std::nullopt, conditions);
    const DopplerSource echo = CalculatorDoppler(calculator, DopplerToFollow::OwnEcho);
    const DopplerSource dx = CalculatorDoppler(calculator, DopplerToFollow::Dx);
    const double t = kMidnight + 6 * 3600;
    const double a = check.At(static_cast<UtcSeconds>(t)).EchoDopplerHz;
    const double b = check.At(static_cast<UtcSeconds>(t) + 1).EchoDopplerHz;
    EXPECT_NE(a, b);
    EXPECT_DOUBLE_EQ(echo(t), a);
    EXPECT_NEAR(echo(t + 0.25), a + (b - a) * 0.25, 1e-9);
    EXPECT_TRUE(std::isnan(dx(t))) << "no DX station";
}

TEST(DopplerFollowWorker, FollowsOnItsOwnThreadAndReturnsTheRigWhenStopped) {
    std::atomic<double> now{kMidnight};
    std::atomic<std::int64_t> rigHz{0};
    /// The fake rig as the worker's thread makes it, reporting its frequency.
    class SharedRig final : public DopplerRig {
    public:
        explicit SharedRig(std::atomic<std::int64_t>& hz) : hz_(hz) {}
        std::string SetFrequencyHz(std::int64_t hz) override {
            hz_ = hz;
            return {};
        }
        Reading FrequencyHz() override { return {hz_.load(), {}}; }

    private:
        std::atomic<std::int64_t>& hz_;
    };
    DopplerFollowSettings settings;
    settings.SkedHz = 432000000;
    settings.UpdateS = 10;
    auto worker = std::make_unique<DopplerFollowWorker>(
        settings, [&] { return std::make_unique<SharedRig>(rigHz); },
        [&] { return DopplerSource([&](double t) { return 300.0 + (t - kMidnight); }); },
        [&] { return now.load(); });
    const auto waitFor = [&](const std::function<bool(const DopplerFollowState&)>& wanted) {
        for (int i = 0; i < 200; ++i) {
            if (wanted(worker->State())) {
                return true;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return false;
    };
    ASSERT_TRUE(waitFor([](const DopplerFollowState& s) { return s.LastSetHz.has_value(); }));
    EXPECT_EQ(worker->State().LastSetHz, 432000300);
    now = kMidnight + 10; // the set clock moves on: the next update follows it
    ASSERT_TRUE(waitFor([](const DopplerFollowState& s) { return s.LastSetHz == 432000310; }));
    EXPECT_DOUBLE_EQ(worker->State().LastSetUtcS, kMidnight + 10);
    worker->Stop();
    ASSERT_TRUE(waitFor(
        [](const DopplerFollowState& s) { return s.What == DopplerFollowState::Phase::Ended; }));
    EXPECT_EQ(worker->State().EndProblem, "");
    EXPECT_EQ(rigHz.load(), 432000000);
    worker.reset();
}

} // namespace
} // namespace vantrel::eme
