#pragma once

#include "measure/FluxEstimate.h"
#include "measure/MeasurementLog.h"
#include "scan/OffPointChoice.h"
#include "scan/Procedure.h"

#include <limits>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace vantrel::scan {

/// One on/off pair of a Y-factor sequence. Powers in dB of the
/// radiometer's unit.
struct YPair {
    double OnDb = 0;
    double OffDb = 0;
    double OnSigmaDb = 0;  ///< NaN when unknown
    double OffSigmaDb = 0; ///< NaN when unknown
    double YDb = 0;        ///< OnDb − OffDb
    std::string Side;      ///< where the off reading was: "east", "west" or "cold sky"
};

/// The pair of an on reading and the off reading after it, the off one
/// taken `side`.
YPair PairOf(const Reading& on, const Reading& off, std::string side);

/// Y of several pairs.
struct YStatistics {
    double YDb = 0;     ///< 10 log10 of the mean of the pairs' linear Y
    double SigmaDb = 0; ///< its one-sigma standard error, dB; NaN when unknown
    double YLinear = 0; ///< the mean linear Y
    double SigmaLinear = 0;
};

/// Combines pairs: the mean of their linear Y (noise powers are averaged
/// linearly, never in dB) and its standard error, the larger of the pairs'
/// scatter (s/√K, from two pairs on) and the radiometer's own (each pair's
/// σ from its two blocks' σ added in quadrature, over √K), so it is never
/// smaller than the radiometer equation allows. In dB: 10 log10(1 + σ/Ȳ).
/// Needs at least one pair.
YStatistics CombinePairs(std::span<const YPair> pairs);

/// What G/T needs of the source: its flux density at the observing
/// frequency and its size.
struct GOverTBasis {
    measure::FluxEstimate Flux; ///< a flux without a value gives Y alone
    double SourceSizeDeg = 0;   ///< diameter, degrees (0 for a point)
    double FrequencyMHz = 0;    ///< the observing frequency, MHz
    /// The system temperature the user gives, K: the background correction
    /// divides the sky's difference by it; NaN leaves G/T uncorrected.
    double TsysK = std::numeric_limits<double>::quiet_NaN();
};

/// The outcome of a Y-factor sequence.
struct YFactorResult {
    std::vector<YPair> Pairs;
    int PairsPlanned = 0;
    std::optional<YStatistics> Y; ///< none without a complete pair
    /// G/T and its one-sigma uncertainty, dB/K and dB: ITU-R S.733 with
    /// the beam correction for the source's size. The uncertainty is the
    /// measurement's (that of Y); the flux density's own is not in it.
    std::optional<double> GOverTDbPerK;
    std::optional<double> GOverTSigmaDb;
    double BeamCorrection = 0; ///< K used, >= 1
    double ElevationDeg = 0;   ///< the source's mean elevation during the on readings
    std::string Note;          ///< why there is no G/T, when there is none
    bool Partial = false;      ///< stopped before every pair was taken
    /// The off point the sky model chose, with the skies of the source and
    /// of the off point; none for off points alternating or of the user's.
    std::optional<OffPointPlan> Off;
    /// G/T with the background taken out (measure's
    /// BackgroundCorrectedGOverTDbPerK with the basis' Tsys), dB/K, and its
    /// one-sigma uncertainty from Y's, dB; none without an off point of the
    /// sky model, a Tsys, or when the sky's difference accounts for all of
    /// Y (said in Note).
    std::optional<double> CorrectedGOverTDbPerK;
    std::optional<double> CorrectedSigmaDb;
    double CorrectionTsysK = std::numeric_limits<double>::quiet_NaN(); ///< the Tsys it took, K
};

/// K pairs of on-source and off-source readings. Off source lies at the
/// source's elevation, OffBeams beamwidths away on the sky in azimuth
/// (the azimuth step divided by cos(elevation)), the pairs alternating to
/// either side so that a sky gradient cancels; or at the cold-sky point
/// the settings name; or, with an off point the sky model chose
/// (OffPointPlan), every off reading there. G/T follows from the mean Y with the Measure core
/// (BeamCorrection, GOverTDbPerK) when the basis has a flux; readings of
/// an S-meter (whole dB) give Y alone.
class YFactorSequence final : public Procedure {
public:
    YFactorSequence(const ScanSettings& settings, ProcedureContext context,
                    std::optional<GOverTBasis> basis, std::optional<OffPointPlan> off = {});

    const YFactorResult& Result() const { return result_; }

private:
    std::optional<Visit> Next(DateTime utc) override;
    void Took(const Visit& visit, const Reading& reading) override;
    void Conclude(bool partial) override;
    int PlannedVisits() const override { return 2 * Settings().Pairs; }

    std::optional<GOverTBasis> basis_;
    std::optional<OffPointPlan> off_;
    int next_ = 0;
    std::optional<Reading> on_;
    std::string side_;
    double onElevationSum_ = 0;
    int onCount_ = 0;
    bool wholeDb_ = false;
    YFactorResult result_;
};

/// "y-sequence": the measurement log's method of a Y-factor sequence.
inline constexpr std::string_view kYSequenceMethod = "y-sequence";

/// The measurement log's record of a Y-factor sequence with a G/T; none
/// without one. `utc`: when it ended; `title`: the source as the grids
/// title it; `antenna`: as the log keeps it ("dish 3 m, efficiency 0.55");
/// `gainDbi`: the antenna's gain, from which the record's Tsys follows
/// (Tsys = G / (G/T)); `solarSfu`: the Sun's flux for the Sun. The method
/// column says "y-sequence", with "(partial: 2 of 4 pairs)" for a
/// sequence that stopped part-way. With a corrected G/T the record holds
/// it, the two skies and the correction (corrected − plain, dB).
std::optional<measure::MeasurementRecord>
YSequenceRecord(const YFactorResult& result, DateTime utc, const std::string& title,
                double frequencyMHz, const std::string& antenna, double gainDbi,
                std::optional<double> solarSfu);

} // namespace vantrel::scan
