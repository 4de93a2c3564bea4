#include "scan/ScanSettings.h"

#include "tracking/Tracking.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>

namespace vantrel::scan {

namespace {

std::string Number(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%g", value);
    return text;
}

/// "The X must be from LO to HI UNIT." when `value` is outside, else "".
std::string OutOfRange(double value, double lo, double hi, const char* what, const char* unit) {
    if (value >= lo && value <= hi) {
        return {};
    }
    return std::string("The ") + what + " must be from " + Number(lo) + " to " + Number(hi) + unit +
           ".";
}

} // namespace

std::string_view ProcedureKey(ProcedureKind kind) {
    switch (kind) {
    case ProcedureKind::YFactor:
        return "y";
    case ProcedureKind::Cross:
        return "cross";
    case ProcedureKind::Drift:
        return "drift";
    }
    return "y";
}

std::optional<ProcedureKind> ProcedureFromKey(std::string_view key) {
    for (const ProcedureKind kind :
         {ProcedureKind::YFactor, ProcedureKind::Cross, ProcedureKind::Drift}) {
        if (key == ProcedureKey(kind)) {
            return kind;
        }
    }
    return std::nullopt;
}

std::string_view OffChoiceKey(OffChoice choice) {
    switch (choice) {
    case OffChoice::Alternate:
        return "alternate";
    case OffChoice::ColderSide:
        return "colder";
    case OffChoice::ColdestSky:
        return "coldest";
    }
    return "alternate";
}

std::optional<OffChoice> OffChoiceFromKey(std::string_view key) {
    for (const OffChoice c : {OffChoice::Alternate, OffChoice::ColderSide, OffChoice::ColdestSky}) {
        if (key == OffChoiceKey(c)) {
            return c;
        }
    }
    return std::nullopt;
}

std::string ScanSettingsProblem(const ScanSettings& s) {
    namespace r = scan_range;
    const std::array<std::string, 7> problems = {
        OutOfRange(s.BeamwidthDeg, r::kMinBeamwidthDeg, r::kMaxBeamwidthDeg, "beamwidth",
                   " degrees"),
        OutOfRange(s.TauS, r::kMinTauS, r::kMaxTauS, "integration time", " seconds"),
        OutOfRange(s.SettleS, r::kMinSettleS, r::kMaxSettleS, "settle time", " seconds"),
        OutOfRange(s.Pairs, r::kMinPairs, r::kMaxPairs, "number of pairs", ""),
        OutOfRange(s.OffBeams, r::kMinOffBeams, r::kMaxOffBeams, "off-source distance",
                   " beamwidths"),
        OutOfRange(s.SpanBeams, r::kMinSpanBeams, r::kMaxSpanBeams, "span", " beamwidths"),
        OutOfRange(s.Points, r::kMinPoints, r::kMaxPoints, "number of points", ""),
    };
    for (const std::string& p : problems) {
        if (!p.empty()) {
            return p;
        }
    }
    if (s.ColdSky) {
        if (!(std::isfinite(s.ColdSky->AzimuthDeg) && s.ColdSky->AzimuthDeg >= -360 &&
              s.ColdSky->AzimuthDeg <= 360)) {
            return "The cold-sky azimuth must be from -360 to 360 degrees.";
        }
        if (!(s.ColdSky->ElevationDeg >= 0 && s.ColdSky->ElevationDeg <= 90)) {
            return "The cold-sky elevation must be from 0 to 90 degrees.";
        }
        if (s.OffBy != OffChoice::Alternate) {
            return "The off point is either a cold-sky point of one's own or one the sky model "
                   "chooses, not both.";
        }
    }
    return {};
}

double ArrivalToleranceDeg(double beamwidthDeg) {
    return BeamToleranceDeg(beamwidthDeg); // the tracking's "on target"
}

} // namespace vantrel::scan
