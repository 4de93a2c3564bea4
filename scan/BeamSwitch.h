#pragma once

#include "scan/Procedure.h"
#include "scan/YFactorSequence.h"

#include <optional>
#include <vector>

namespace vantrel::scan {

/// The outcome of beam switching: the on/off pairs and their running Y.
struct BeamSwitchResult {
    std::vector<YPair> Pairs;
    std::optional<YStatistics> Y; ///< none without a complete pair
    double ElevationDeg = 0;      ///< the source's mean elevation on the on readings, degrees
    bool Partial = false;
};

/// Beam switching for a set time: one block on the source, one off it at
/// ThrowBeams beamwidths in azimuth on the sky (the sides alternating pair
/// by pair so that a sky gradient cancels), and again, each position
/// followed as the source moves; the settle time after each move. The
/// running Y is the pairs' mean linear Y with its honest σ (CombinePairs),
/// kept up to date after every pair for a progress line. Ends at the first
/// on reading due `seconds` after the first reading began.
class BeamSwitch final : public Procedure {
public:
    BeamSwitch(const ScanSettings& settings, double seconds, double throwBeams,
               ProcedureContext context);

    const BeamSwitchResult& Result() const { return result_; }
    double ThrowDeg() const { return throwBeams_ * Settings().BeamwidthDeg; }

private:
    std::optional<Visit> Next(DateTime utc) override;
    void Took(const Visit& visit, const Reading& reading) override;
    void Conclude(bool partial) override;
    int PlannedVisits() const override;

    double seconds_;
    double throwBeams_;
    std::optional<DateTime> startUtc_;
    int next_ = 0;
    std::optional<Reading> on_;
    double onElevationSum_ = 0;
    int onCount_ = 0;
    BeamSwitchResult result_;
};

} // namespace vantrel::scan
