#pragma once

#include <string>

namespace vantrel {

/// The usual terms of a small alt-azimuth telescope's pointing, degrees:
/// what is added to the sky's azimuth A and elevation E to get where the
/// rotator must be sent (on top of the constant offsets, which it
/// replaces once fitted):
///
///   ΔA = IA + CA / cos E + (AN sin A − AW cos A) tan E     degrees of azimuth
///   ΔE = IE + AN cos A + AW sin A + TF cos E               degrees
///
/// IA, IE the zero points of the axes; CA the collimation error (the beam
/// beside the elevation axis' normal: constant on the sky, so 1/cos E in
/// azimuth, which a constant azimuth offset found at one elevation gets
/// wrong at another); AN, AW the azimuth axis' tilt towards north and
/// towards west; TF the tube's sag, greatest at the horizon. The terms are
/// those of the TPOINT convention (P. T. Wallace, "TPOINT – A Telescope
/// Pointing Analysis System"), with signs such that each adds.
struct PointingModel {
    double IaDeg = 0;
    double CaDeg = 0;
    double AnDeg = 0;
    double AwDeg = 0;
    double IeDeg = 0;
    double TfDeg = 0;
    /// What the windows and tools show of it ("fitted 2026-12-10 22:10 UTC
    /// to 8 scans, rms 0.012°"); empty for no model.
    std::string Name;

    bool InForce() const { return !Name.empty(); }
    bool operator==(const PointingModel&) const = default;
};

/// ΔA of `model` at the sky's azimuth and elevation (degrees), degrees of
/// azimuth; 0 for a model not in force. cos E is held at 0.01 or more, so
/// the zenith gives a large but finite value.
double ModelAzimuthDeg(const PointingModel& model, double azimuthDeg, double elevationDeg);
/// ΔE of `model` there, degrees; 0 for a model not in force.
double ModelElevationDeg(const PointingModel& model, double azimuthDeg, double elevationDeg);

} // namespace vantrel
