#include "scanwin/ScanSetup.h"

#include "measure/SourceExpectation.h"

#include "apparent/ApparentPlaces.h"
#include "apparent/SkyPlaces.h"
#include "astro/Catalogue.h"
#include "measure/MeasureConstants.h"
#include "measure/NumberText.h"
#include "measure/YFactor.h"
#include "scan/ScanLog.h"
#include "station/StationCheck.h"

#include <cmath>
#include <cstdio>

namespace vantrel {

namespace {

struct FieldRule {
    const char* Name;
    double Lo;
    double Hi;
    bool Whole;
    const char* Unit;
};

FieldRule RuleOf(ScanField field) {
    namespace r = scan::scan_range;
    switch (field) {
    case ScanField::BeamwidthDeg:
        return {"The beamwidth", r::kMinBeamwidthDeg, r::kMaxBeamwidthDeg, false, " degrees"};
    case ScanField::TauS:
        return {"The integration time", r::kMinTauS, r::kMaxTauS, false, " seconds"};
    case ScanField::SettleS:
        return {"The settle time", r::kMinSettleS, r::kMaxSettleS, false, " seconds"};
    case ScanField::Pairs:
        return {"The number of pairs", r::kMinPairs, r::kMaxPairs, true, ""};
    case ScanField::OffBeams:
        return {"The off-source distance", r::kMinOffBeams, r::kMaxOffBeams, false, " beamwidths"};
    case ScanField::SpanBeams:
        return {"The span", r::kMinSpanBeams, r::kMaxSpanBeams, false, " beamwidths"};
    case ScanField::Points:
        return {"The number of points", r::kMinPoints, r::kMaxPoints, true, ""};
    case ScanField::ColdAzimuth:
        return {"The cold-sky azimuth", -360, 360, false, " degrees"};
    case ScanField::ColdElevation:
        return {"The cold-sky elevation", 0, 90, false, " degrees"};
    }
    return {"The value", 0, 0, false, ""};
}

} // namespace

ParsedScanNumber ParseScanField(ScanField field, std::string_view text) {
    const FieldRule rule = RuleOf(field);
    ParsedScanNumber out;
    const auto value = measure::FiniteNumber(measure::TrimBlanks(text));
    char range[128];
    std::snprintf(range, sizeof range, " must be %s from %g to %g%s.",
                  rule.Whole ? "a whole number" : "a number", rule.Lo, rule.Hi, rule.Unit);
    if (!value || *value < rule.Lo || *value > rule.Hi ||
        (rule.Whole && *value != std::floor(*value))) {
        out.Problem = std::string(rule.Name) + range;
        return out;
    }
    out.Value = *value;
    return out;
}

std::optional<double> BeamwidthOf(const ScanSetup& setup, const MeasureSetup& antenna,
                                  double frequencyMHz) {
    if (!setup.BeamFromAntenna) {
        return setup.Settings.BeamwidthDeg;
    }
    const auto beam = BeamOf(antenna, frequencyMHz);
    if (!beam || !(beam->BeamwidthDeg >= scan::scan_range::kMinBeamwidthDeg &&
                   beam->BeamwidthDeg <= scan::scan_range::kMaxBeamwidthDeg)) {
        return std::nullopt;
    }
    return beam->BeamwidthDeg;
}

scan::GOverTBasis GOverTBasisOf(SkySource source, DateTime utc, const HomeStation& station,
                                const ObservingConditions& conditions, SunMoonLibrary& library,
                                const MeasureSetup& antenna) {
    HomeStation shown = station;
    switch (source) {
    case SkySource::CassiopeiaA:
        shown.SourceOption = static_cast<int>(NoiseSourceOption::CassiopeiaA);
        break;
    case SkySource::CentaurusA:
        shown.SourceOption = static_cast<int>(NoiseSourceOption::CentaurusA);
        break;
    case SkySource::UserDefined:
        shown.SourceOption = static_cast<int>(NoiseSourceOption::UserDefined);
        break;
    default:
        break;
    }
    scan::GOverTBasis basis;
    basis.FrequencyMHz = conditions.FrequencyMHz;
    const auto pair = DisplayPairOf(source, shown);
    if (!pair) {
        return basis;
    }
    ApparentPlaces places;
    const auto rows = MeasureRows(utc, shown, conditions, library, places, antenna);
    const MeasureRow& row = rows[*pair];
    basis.Flux = row.Expected.Flux;
    // Above 1 GHz the air takes its share on the way: G/T is of the flux
    // that reaches the antenna, as the Measure window's.
    if (basis.Flux.HasValue()) {
        basis.Flux.Jy = measure::FluxAtAntennaJy(row.Expected);
    }
    basis.SourceSizeDeg = row.Expected.SizeDeg;
    return basis;
}

double SourceDiskOf(SkySource source, DateTime utc, const HomeStation& station,
                    const ObservingConditions& conditions, SunMoonLibrary& library,
                    const MeasureSetup& antenna) {
    if (source != SkySource::Sun && source != SkySource::Moon) {
        return 0;
    }
    const double size =
        GOverTBasisOf(source, utc, station, conditions, library, antenna).SourceSizeDeg;
    return std::isfinite(size) && size > 0 ? size : 0;
}

std::string StationText(const HomeStation& station) {
    return scan::ScanLogStation(station.CallSign, static_cast<double>(station.Latitude),
                                static_cast<double>(station.Longitude));
}

MeasureSetup AntennaOfBeamwidth(double beamwidthDeg) {
    MeasureSetup setup;
    setup.Antenna = AntennaKind::Gain;
    setup.GainDbi =
        measure::RatioToDb(measure::kSquareDegreesPerSphere / (beamwidthDeg * beamwidthDeg));
    return setup;
}

} // namespace vantrel
