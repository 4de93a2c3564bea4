#pragma once

namespace vantrel::eme {

/// The parallactic angle of a body, degrees, −180..180: the angle at the body
/// between the direction to the celestial pole and the direction to the
/// zenith, positive west of the meridian (the body's local hour angle
/// positive).
///
/// Given: `localHourAngleDeg` (degrees, west positive), `declinationDeg`
/// (degrees), `latitudeDeg` (degrees, north positive; geodetic for a station
/// on the ellipsoid, the latitude of the horizon's normal). Uses
/// q = atan2(cos φ sin H, sin φ cos δ − cos φ sin δ cos H), which stays
/// defined at the poles; at the zenith or a celestial pole the angle is
/// undefined and the formula returns what atan2 gives for (0, 0).
/// Reference: J. Meeus, Astronomical Algorithms (2nd ed., 1998), eq. 14.1.
double ParallacticAngleDeg(double localHourAngleDeg, double declinationDeg, double latitudeDeg);

/// The spatial polarisation offset between two stations for linear
/// polarisation, degrees, −90 <= offset < 90: the difference of the Moon's
/// parallactic angles at the two stations, `homeDeg` − `dxDeg`, reduced
/// modulo 180° (a plane of polarisation turned by 180° is the same plane).
/// Two stations with horizontal (or both vertical) polarisation see each
/// other's echoes turned by this angle; near ±90° a contact needs polarisation
/// control. Faraday rotation in the ionosphere comes on top and is not
/// included.
double PolarisationOffsetDeg(double homeDeg, double dxDeg);

} // namespace vantrel::eme
