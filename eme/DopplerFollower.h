#pragma once

#include "eme/DopplerRig.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace vantrel::eme {

/// Which Doppler shift the rig follows.
enum class DopplerToFollow {
    OwnEcho, ///< one's own echo, −2f·ḋ/c (EmeMoment::EchoDopplerHz)
    Dx,      ///< the DX station's signal heard at home (EmeMoment::DxDopplerHz)
};

/// Default seconds between corrections.
inline constexpr double kDefaultDopplerUpdateS = 10.0;
/// Shortest and longest update period, seconds.
inline constexpr double kShortestDopplerUpdateS = 1.0;
inline constexpr double kLongestDopplerUpdateS = 3600.0;
/// Shortest and longest transmit/receive cycle, whole seconds.
inline constexpr int kShortestDopplerPeriodS = 4;
inline constexpr int kLongestDopplerPeriodS = 3600;
/// No correction within this many seconds before the receive half ends, so
/// that the rig is not retuned as the transmitter keys, seconds.
inline constexpr double kDopplerTransmitGuardS = 0.5;

/// The default dead band for a sked frequency `skedHz` (Hz): max(1 Hz,
/// f / 1 GHz) — 1 Hz up to 1 GHz, 1.3 Hz at 1296 MHz, 10.4 Hz at 10.4 GHz,
/// about the steps rigs tune in and the echo's own spread there.
double DefaultDopplerDeadBandHz(std::int64_t skedHz);

/// The transmit/receive cycle: `LengthS` seconds (0: none, the rig is
/// corrected at any time), aligned to UTC midnight (a cycle starts at every
/// multiple of `LengthS` since 00:00 UTC), one half transmitting and the
/// other receiving. With `TransmitFirst` the first half transmits
/// (`--period 120,tx-first`: transmit from :00 to :60, receive from :60 to
/// :120, i.e. 60 s sequences with the first one one's own).
struct DopplerPeriod {
    int LengthS = 0;
    bool TransmitFirst = false;

    bool operator==(const DopplerPeriod&) const = default;
};

/// Whether `utcS` (seconds of eme::UtcSeconds (since 1899-12-30 00:00 UTC), with a fraction) lies
/// in the transmit half of `period`, or in the last kDopplerTransmitGuardS before it; false without
/// a period.
bool InTransmitTime(const DopplerPeriod& period, double utcS);

/// What the follower is asked to do.
struct DopplerFollowSettings {
    std::int64_t SkedHz = 0; ///< the agreed frequency, Hz
    DopplerToFollow Follow = DopplerToFollow::OwnEcho;
    double UpdateS = kDefaultDopplerUpdateS; ///< between corrections, seconds
    DopplerPeriod Period;                    ///< none by default
    /// A correction is made only when the new frequency differs from the
    /// last one set by at least this much, Hz; empty: the default.
    std::optional<double> DeadBandHz;

    double DeadBand() const { return DeadBandHz ? *DeadBandHz : DefaultDopplerDeadBandHz(SkedHz); }
};

/// The Doppler shift at an instant (seconds of eme::UtcSeconds (since 1899-12-30 00:00 UTC), with a
/// fraction), Hz, at the sked frequency; NaN when it is not known (an instant beyond the
/// ephemeris).
using DopplerSource = std::function<double(double utcS)>;

class EmeCalculator;

/// The shift `follow` of `calculator`'s moments (at its frequency, which
/// should be the sked frequency), linear between whole seconds (the shift
/// changes by at most a few Hz a second, so the rounding to 1 Hz is
/// unchanged by it); NaN where the moment is not valid or for Dx without a
/// DX station. The source owns the calculator: use it on one thread.
DopplerSource CalculatorDoppler(std::shared_ptr<EmeCalculator> calculator, DopplerToFollow follow);

/// One update of the follower.
struct DopplerStep {
    enum class Outcome {
        Set,          ///< the rig was tuned; ReadBackHz what it then reported
        Held,         ///< inside the dead band: the rig left alone
        Transmitting, ///< in the transmit half: the rig left alone
        NoDoppler,    ///< the Doppler shift is not known: the rig left alone
        Failed,       ///< the rig did not take the frequency: Error says why
    };
    Outcome What = Outcome::Held;
    double UtcS =
        0; ///< when, seconds of eme::UtcSeconds (since 1899-12-30 00:00 UTC), with a fraction
    double DopplerHz = 0;                   ///< the shift at UtcS, Hz
    std::int64_t TargetHz = 0;              ///< sked + shift rounded to 1 Hz
    std::optional<std::int64_t> ReadBackHz; ///< the rig's frequency after a Set
    std::string Error;                      ///< a sentence for Failed (or a failed read-back)
};

/// Decides when to retune the rig and to what: every UpdateS seconds it
/// takes the Doppler shift, rounds sked + shift to 1 Hz and sets the rig
/// there unless the transmit half of the period is on or the change from
/// the last frequency set is inside the dead band. After a set it reads the
/// frequency back. A set that fails is tried again at the next update (the
/// dead band measures from the last set that succeeded).
///
/// It runs on the clock it is given: the caller passes the instant to Step
/// and waits until NextDueS between calls, so tests run on a set clock. Not
/// thread-safe: one thread drives it (and the rig).
class DopplerFollower {
public:
    DopplerFollower(DopplerFollowSettings settings, DopplerRig& rig, DopplerSource doppler);

    /// The update due at `utcS` when one is (the first call always is, then
    /// one each UpdateS seconds, on whole multiples of UpdateS since the
    /// first); nothing before NextDueS.
    std::optional<DopplerStep> Step(double utcS);

    /// When the next update is due, seconds of eme::UtcSeconds (since 1899-12-30 00:00 UTC), with a
    /// fraction.
    double NextDueS() const { return nextDueS_; }

    /// Tunes the rig back to the sked frequency and reads it back (at any
    /// time, also in the transmit half: the operator is done). Empty on
    /// success, else the rig's sentence.
    std::string ReturnToSked();

    /// The last frequency set that the rig took, Hz.
    std::optional<std::int64_t> LastSetHz() const { return lastSetHz_; }
    const DopplerFollowSettings& Settings() const { return settings_; }

private:
    DopplerFollowSettings settings_;
    DopplerRig& rig_;
    DopplerSource doppler_;
    bool started_ = false;
    double firstS_ = 0;
    double nextDueS_ = 0;
    std::optional<std::int64_t> lastSetHz_;
};

} // namespace vantrel::eme
