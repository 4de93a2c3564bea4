#pragma once

#include "measure/SourceExpectation.h"

namespace vantrel::measure {

/// The Y-factor and G/T of a source measured against a reference whose sky
/// is not as bright as the sky behind the source. Both readings see the
/// receiver and the ground alike; what differs besides the source is the
/// background:
///     (Y − 1)·Tsys = ΔT_source + (T_sky,source − T_sky,reference).
/// At VHF the sky behind the Sun or a radio star near the Galactic plane
/// is hundreds of kelvin above a cold reference, a difference that would
/// otherwise be read as G/T (FIELD notes; the survey of Haslam et al.
/// 1982 gives the skies).

/// The expected Y with the background difference, dB.
///
/// Given:
///   row                   the source's row of `ExpectOnSource` (ΔT_source)
///   backgroundDifferenceK T_sky,source − T_sky,reference, K (any sign)
///   tsysK                 the system temperature on the reference, K, > 0
/// Returned:
///   10 log10(1 + (ΔT_source + ΔT_background)/Tsys); NaN without a flux or
///   when the ratio is not positive.
double ExpectedYWithBackgroundDb(const SourceExpectation& row, double backgroundDifferenceK,
                                 double tsysK);

/// G/T from a Y measured against a reference of another sky temperature,
/// dB/K:
///     G/T = 8πk·K/(S·λ²)·[(Y − 1) − (T_sky,source − T_sky,reference)/Tsys]
/// (ITU-R S.733's G/T with the background taken out).
///
/// Given:
///   measuredYDb           the measured Y, dB, passing `CheckMeasuredYDb`
///   row                   the source's row (its flux and beam correction)
///   frequencyMHz          the observing frequency, MHz, > 0
///   backgroundDifferenceK T_sky,source − T_sky,reference, K
///   tsysK                 the system temperature the user gives, K, > 0
/// Returned:
///   the G/T; NaN without a flux, for a refused Y, or when the background
///   difference accounts for all of the measured Y or more.
double BackgroundCorrectedGOverTDbPerK(double measuredYDb, const SourceExpectation& row,
                                       double frequencyMHz, double backgroundDifferenceK,
                                       double tsysK);

} // namespace vantrel::measure
