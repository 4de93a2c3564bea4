#pragma once

#include "tracking/PointingModel.h"

#include <array>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace vantrel::scan {

/// One pointing measurement: where the source stood (degrees) and the
/// correction that pointed the beam at it there, on the sky: DX the
/// azimuth correction as a true angle (ΔA cos E), DY the elevation's, with
/// their one-sigma errors. The correction is the whole one: the offsets in
/// force during the scan plus what the scan found.
struct PointingMeasurement {
    double AzimuthDeg = 0;
    double ElevationDeg = 0;
    double DxDeg = 0;
    double DyDeg = 0;
    double DxSigmaDeg = 0; ///< > 0
    double DySigmaDeg = 0; ///< > 0
    std::string Source;    ///< for the residuals' table
};

/// A measurement's residual after the fit, degrees on the sky.
struct PointingResidual {
    double DxDeg = 0;
    double DyDeg = 0;
};

/// The fitted model with the terms' one-sigma errors (in the order IA, CA,
/// AN, AW, IE, TF) and the residuals.
struct PointingModelFitResult {
    std::optional<PointingModel> Model;
    std::array<double, 6> SigmaDeg{};
    std::vector<PointingResidual> Residuals; ///< one a measurement, in order
    double RmsDeg = 0;                       ///< of the residuals on the sky, both axes
    double ReducedChiSquare = 0;
    std::string Problem; ///< why there is no model, a sentence
};

/// Fits PointingModel's six terms to the measurements by weighted linear
/// least squares (GSL's gsl_multifit_wlinear) on the sky:
///   DX = IA cos E + CA + (AN sin A − AW cos A) sin E
///   DY = IE + AN cos A + AW sin A + TF cos E
/// The errors from the covariance, scaled by √(χ²/dof) when that is above
/// 1. Needs at least four measurements, spread in azimuth over 60° or
/// more and in elevation over 15° or more, else the tilt and the sag
/// cannot be told from the zero points: refused with the reason.
PointingModelFitResult FitPointingModel(std::span<const PointingMeasurement> measurements);

} // namespace vantrel::scan
