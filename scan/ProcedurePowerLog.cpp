#include "scan/ProcedurePowerLog.h"

#include <cmath>
#include <numbers>

namespace vantrel::scan {

namespace {

constexpr double kSecondsPerDay = 86400.0;
constexpr double kRadPerDeg = std::numbers::pi / 180.0;
constexpr double kFullTurnDeg = 360.0;

} // namespace

std::string_view PowerLogRole(ReadingKind kind) {
    switch (kind) {
    case ReadingKind::On:
        return "on";
    case ReadingKind::Off:
        return "off";
    case ReadingKind::Scan:
    case ReadingKind::Drift:
        return "scan";
    }
    return {};
}

ProcedurePowerLog::ProcedurePowerLog(std::string input, double frequencyMHz, std::string sourceKey)
    : input_(std::move(input)), frequencyMHz_(frequencyMHz), sourceKey_(std::move(sourceKey)) {}

void ProcedurePowerLog::Add(std::span<const PowerBlock> blocks,
                            const std::optional<RotatorPosition>& reported) {
    for (const PowerBlock& b : blocks) {
        waiting_.push_back({b, reported});
    }
}

PowerRecord ProcedurePowerLog::RecordOf(const Pending& p, const Reading* reading) const {
    PowerRecord r = PowerRecordOf(p.Block, input_, frequencyMHz_, PowerMark::None);
    r.Source = sourceKey_;
    if (p.Reported) {
        r.AzimuthDeg = p.Reported->AzimuthDeg;
        r.ElevationDeg = p.Reported->ElevationDeg;
    }
    if (reading != nullptr) {
        r.Role = std::string(PowerLogRole(reading->Kind));
        if (std::isfinite(reading->PointedAzDeg) && std::isfinite(reading->PointedElDeg)) {
            r.AzOffsetDeg =
                std::remainder(reading->PointedAzDeg - reading->SourceAzDeg, kFullTurnDeg) *
                std::cos(reading->SourceElevationDeg * kRadPerDeg);
            r.ElOffsetDeg = reading->PointedElDeg - reading->SourceElevationDeg;
        }
    }
    return r;
}

std::vector<PowerRecord> ProcedurePowerLog::Take(std::span<const Reading> readings, DateTime utcNow,
                                                 bool ended) {
    for (; readingsSeen_ < readings.size(); ++readingsSeen_) {
        const Reading& r = readings[readingsSeen_];
        unmatched_.emplace(r.UtcStart, r);
    }
    std::vector<PowerRecord> out;
    while (!waiting_.empty()) {
        const Pending& front = waiting_.front();
        const auto match = unmatched_.find(front.Block.UtcStart);
        const bool expired = (utcNow - front.Block.UtcEnd) * kSecondsPerDay > kMostWaitS;
        if (match == unmatched_.end() && !expired && !ended) {
            break; // its reading may still come; the later ones wait behind it
        }
        if (match != unmatched_.end()) {
            out.push_back(RecordOf(front, &match->second));
            unmatched_.erase(match);
        } else {
            out.push_back(RecordOf(front, nullptr));
        }
        waiting_.pop_front();
    }
    return out;
}

} // namespace vantrel::scan
