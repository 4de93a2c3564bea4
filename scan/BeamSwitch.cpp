#include "scan/BeamSwitch.h"

#include <algorithm>
#include <cmath>

namespace vantrel::scan {

BeamSwitch::BeamSwitch(const ScanSettings& settings, double seconds, double throwBeams,
                       ProcedureContext context)
    : Procedure(settings, std::move(context)), seconds_(seconds), throwBeams_(throwBeams) {}

int BeamSwitch::PlannedVisits() const {
    // An estimate for the progress line: a block and a settle per position.
    const double each = Settings().TauS + Settings().SettleS + 1.0;
    return std::max(2, 2 * static_cast<int>(std::ceil(seconds_ / (2.0 * each))));
}

std::optional<Procedure::Visit> BeamSwitch::Next(DateTime utc) {
    const bool on = next_ % 2 == 0;
    if (on && startUtc_ && (utc - *startUtc_) * 86400.0 >= seconds_) {
        return std::nullopt;
    }
    const int pair = next_ / 2;
    ++next_;
    Visit v;
    v.What = Visit::Target::Offset;
    v.Index = pair;
    if (on) {
        v.Kind = ReadingKind::On;
        v.Label = "switch " + std::to_string(pair + 1) + ", on source";
    } else {
        v.Kind = ReadingKind::Off;
        v.AzDeg = (pair % 2 == 0 ? 1.0 : -1.0) * ThrowDeg();
        v.Label = "switch " + std::to_string(pair + 1) + ", off source";
    }
    return v;
}

void BeamSwitch::Took(const Visit& visit, const Reading& reading) {
    if (!startUtc_) {
        startUtc_ = reading.UtcStart; // the time runs from the first reading, not the slew
    }
    if (visit.Kind == ReadingKind::On) {
        on_ = reading;
        onElevationSum_ += reading.SourceElevationDeg;
        ++onCount_;
        return;
    }
    if (!on_) {
        return;
    }
    result_.Pairs.push_back(PairOf(*on_, reading, visit.AzDeg > 0 ? "+az" : "-az"));
    result_.Y = CombinePairs(result_.Pairs);
    on_.reset();
}

void BeamSwitch::Conclude(bool partial) {
    result_.Partial = partial;
    result_.ElevationDeg = onCount_ > 0 ? onElevationSum_ / onCount_ : SourceNow().ElevationDeg;
}

} // namespace vantrel::scan
