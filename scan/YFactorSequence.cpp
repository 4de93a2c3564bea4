#include "scan/YFactorSequence.h"

#include "measure/MeasureConstants.h"
#include "measure/SkyBackground.h"
#include "measure/YFactor.h"

#include <cmath>
#include <cstdio>
#include <limits>
#include <numbers>

namespace vantrel::scan {

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kRadPerDeg = std::numbers::pi / 180.0;

/// A one-sigma dB uncertainty as a relative one: 10^(σ/10) − 1.
double Relative(double sigmaDb) {
    return std::isfinite(sigmaDb) ? measure::DbToRatio(sigmaDb) - 1.0 : kNaN;
}

std::string UtcText(DateTime utc) {
    const DecodedInstant d = DecodeInstant(utc);
    char text[64];
    std::snprintf(text, sizeof text, "%04u-%02u-%02uT%02u:%02u:%02uZ", d.Year, d.Month, d.Day,
                  d.Hour, d.Minute, d.Second);
    return text;
}

} // namespace

YStatistics CombinePairs(std::span<const YPair> pairs) {
    YStatistics s;
    const auto k = static_cast<double>(pairs.size());
    if (pairs.empty()) {
        s.YDb = s.SigmaDb = s.YLinear = s.SigmaLinear = kNaN;
        return s;
    }
    double sum = 0;
    double ownSquares = 0;
    for (const YPair& p : pairs) {
        sum += measure::DbToRatio(p.YDb);
        const double on = Relative(p.OnSigmaDb);
        const double off = Relative(p.OffSigmaDb);
        ownSquares += on * on + off * off;
    }
    const double mean = sum / k;
    double spread = 0;
    for (const YPair& p : pairs) {
        const double d = measure::DbToRatio(p.YDb) - mean;
        spread += d * d;
    }
    // The radiometer's own: each pair's relative σ, averaged in quadrature.
    const double own = mean * std::sqrt(ownSquares / k) / std::sqrt(k);
    double sigma = own;
    if (pairs.size() >= 2) {
        const double scatter = std::sqrt(spread / (k - 1.0)) / std::sqrt(k);
        sigma = std::isfinite(own) ? std::max(own, scatter) : scatter;
    }
    s.YLinear = mean;
    s.SigmaLinear = sigma;
    s.YDb = measure::RatioToDb(mean);
    s.SigmaDb = std::isfinite(sigma) ? measure::RatioToDb(1.0 + sigma / mean) : kNaN;
    return s;
}

YPair PairOf(const Reading& on, const Reading& off, std::string side) {
    YPair p;
    p.OnDb = on.PowerDb;
    p.OffDb = off.PowerDb;
    p.OnSigmaDb = on.SigmaDb;
    p.OffSigmaDb = off.SigmaDb;
    p.YDb = p.OnDb - p.OffDb;
    p.Side = std::move(side);
    return p;
}

YFactorSequence::YFactorSequence(const ScanSettings& settings, ProcedureContext context,
                                 std::optional<GOverTBasis> basis, std::optional<OffPointPlan> off)
    : Procedure(settings, std::move(context)), basis_(basis), off_(off) {
    result_.PairsPlanned = settings.Pairs;
    result_.Off = off;
}

std::optional<Procedure::Visit> YFactorSequence::Next(DateTime utc) {
    const ScanSettings& s = Settings();
    if (next_ >= 2 * s.Pairs) {
        return std::nullopt;
    }
    const int pair = next_ / 2;
    const bool on = next_ % 2 == 0;
    ++next_;
    Visit v;
    v.Index = pair;
    const std::string name = "pair " + std::to_string(pair + 1) + " of " + std::to_string(s.Pairs);
    if (on) {
        v.What = Visit::Target::Offset;
        v.Kind = ReadingKind::On;
        v.Label = name + ", on source";
        return v;
    }
    v.Kind = ReadingKind::Off;
    if (s.ColdSky) {
        v.What = Visit::Target::Fixed;
        v.AzDeg = s.ColdSky->AzimuthDeg;
        v.ElDeg = s.ColdSky->ElevationDeg;
        side_ = "cold sky";
    } else {
        // Alternating sides, or the one the sky model chose; which is east
        // depends on where the source stands (towards larger azimuth is
        // west for a source in the south).
        v.What = Visit::Target::Offset;
        v.AzDeg = off_ ? off_->AzimuthOffsetDeg
                       : (pair % 2 == 0 ? 1.0 : -1.0) * s.OffBeams * s.BeamwidthDeg;
        const SkyPlaceDeg at = SourceAt(utc);
        const double c = std::max(std::cos(at.ElevationDeg * kRadPerDeg), 0.01);
        const double offAz = at.AzimuthDeg + v.AzDeg / c;
        side_ =
            std::sin(offAz * kRadPerDeg) > std::sin(at.AzimuthDeg * kRadPerDeg) ? "east" : "west";
        if (off_ && off_->Reference) {
            side_ = "at the coldest sky";
        }
    }
    v.Label = name + ", off source " + side_;
    return v;
}

void YFactorSequence::Took(const Visit& visit, const Reading& reading) {
    wholeDb_ = wholeDb_ || reading.WholeDbSteps;
    if (visit.Kind == ReadingKind::On) {
        on_ = reading;
        onElevationSum_ += reading.SourceElevationDeg;
        ++onCount_;
        return;
    }
    if (!on_) {
        return;
    }
    result_.Pairs.push_back(PairOf(*on_, reading, side_));
    on_.reset();
}

void YFactorSequence::Conclude(bool partial) {
    YFactorResult& r = result_;
    r.Partial = partial;
    r.ElevationDeg = onCount_ > 0 ? onElevationSum_ / onCount_ : kNaN;
    if (r.Pairs.empty()) {
        r.Note = "No pair was completed.";
        return;
    }
    r.Y = CombinePairs(r.Pairs);
    if (wholeDb_) {
        r.Note = "S-meter readings come in whole dB: fit for peaking, not for G/T.";
        return;
    }
    if (!basis_ || !basis_->Flux.HasValue()) {
        r.Note = "The source has no flux model here: Y alone, no G/T.";
        return;
    }
    if (const auto why = measure::CheckMeasuredYDb(r.Y->YDb)) {
        r.Note = *why;
        return;
    }
    r.BeamCorrection = measure::BeamCorrection(basis_->SourceSizeDeg, Settings().BeamwidthDeg);
    r.GOverTDbPerK = measure::GOverTDbPerK(r.Y->YLinear, basis_->Flux.Jy, basis_->FrequencyMHz,
                                           r.BeamCorrection);
    // G/T goes with Y − 1, so Y's σ weighs more the smaller Y is.
    if (std::isfinite(r.Y->SigmaLinear)) {
        r.GOverTSigmaDb = measure::RatioToDb(1.0 + r.Y->SigmaLinear / (r.Y->YLinear - 1.0));
    }
    if (!off_ || !(basis_->TsysK > 0)) {
        return;
    }
    measure::SourceExpectation row;
    row.Flux = basis_->Flux;
    row.SizeDeg = basis_->SourceSizeDeg;
    row.BeamCorrection = r.BeamCorrection;
    const auto at = [&](double yDb) {
        return measure::BackgroundCorrectedGOverTDbPerK(yDb, row, basis_->FrequencyMHz,
                                                        off_->BackgroundDifferenceK, basis_->TsysK);
    };
    const double corrected = at(r.Y->YDb);
    if (!std::isfinite(corrected)) {
        r.Note = "The sky behind the source accounts for all of Y or more: no corrected G/T.";
        return;
    }
    r.CorrectedGOverTDbPerK = corrected;
    r.CorrectionTsysK = basis_->TsysK;
    if (std::isfinite(r.Y->SigmaDb)) {
        // The spread between Y − σ and Y + σ, as the Measure window takes it.
        const double above = at(r.Y->YDb + r.Y->SigmaDb);
        const double below = at(r.Y->YDb - r.Y->SigmaDb);
        r.CorrectedSigmaDb =
            std::isfinite(below) ? std::abs(above - below) / 2.0 : std::abs(above - corrected);
    }
}

std::optional<measure::MeasurementRecord>
YSequenceRecord(const YFactorResult& result, DateTime utc, const std::string& title,
                double frequencyMHz, const std::string& antenna, double gainDbi,
                std::optional<double> solarSfu) {
    if (!result.Y || !result.GOverTDbPerK) {
        return std::nullopt;
    }
    const double gOverT = result.CorrectedGOverTDbPerK.value_or(*result.GOverTDbPerK);
    measure::MeasurementRecord r;
    r.Utc = UtcText(utc);
    r.Source = title;
    r.ElevationDeg = std::round(result.ElevationDeg * 100.0) / 100.0;
    r.FrequencyMHz = frequencyMHz;
    r.Antenna = antenna;
    r.TsysK = std::round(measure::SystemTemperatureFromGOverTK(gainDbi, gOverT) * 10.0) / 10.0;
    r.SolarFluxSfu = solarSfu;
    r.MeasuredYDb = std::round(result.Y->YDb * 1000.0) / 1000.0;
    r.GOverTDbPerK = std::round(gOverT * 100.0) / 100.0;
    r.Method = std::string(kYSequenceMethod);
    if (result.Partial) {
        r.Method += " (partial: " + std::to_string(result.Pairs.size()) + " of " +
                    std::to_string(result.PairsPlanned) + " pairs)";
    }
    if (std::isfinite(result.Y->SigmaDb)) {
        r.YSigmaDb = std::round(result.Y->SigmaDb * 10000.0) / 10000.0;
    }
    const std::optional<double> sigma =
        result.CorrectedGOverTDbPerK ? result.CorrectedSigmaDb : result.GOverTSigmaDb;
    if (sigma) {
        r.GOverTSigmaDb = std::round(*sigma * 1000.0) / 1000.0;
    }
    if (result.CorrectedGOverTDbPerK && result.Off) {
        r.SkyTskyK = std::round(result.Off->SourceTskyK * 10.0) / 10.0;
        r.ReferenceTskyK = std::round(result.Off->OffTskyK * 10.0) / 10.0;
        r.BackgroundCorrectionDb =
            std::round((*result.CorrectedGOverTDbPerK - *result.GOverTDbPerK) * 1000.0) / 1000.0;
    }
    return r;
}

} // namespace vantrel::scan
