#pragma once

namespace vantrel::eme {

/// The Moon's rotation and the echo's Doppler spread it causes.
///
/// The Moon-fixed frame is the IAU mean rotation of the WGCCRE 2009 report
/// (Archinal et al. 2011, Celest. Mech. Dyn. Astr. 109, 101) without its
/// periodic terms: the pole at α0 = 269.9949°, δ0 = 66.5392° (ICRF) and the
/// prime meridian W = 38.3213° + 13.17635815°·d, d days of TDB from J2000.0.
/// The periodic terms move the pole and the meridian by under 0.1° and their
/// rates by under 1 % of the rates that matter here; the physical libration
/// (0.02°) is left out alike.

/// The rotation matrix from ICRF axes to the Moon-fixed frame at
/// `ttDaysSinceJ2000` (TT taken as TDB): R3(W)·R1(90° − δ0)·R3(90° + α0).
void MoonFixedMatrix(double ttDaysSinceJ2000, double m[3][3]);

/// The apparent rotation rate of the Moon seen from a station, radians per
/// second: the rate at which the direction from the Moon's centre to the
/// station turns in the Moon-fixed frame — the apparent libration (the
/// Moon's orbit against its even rotation, up to about 0.1 µrad/s) plus the
/// station carried round by the Earth (up to about 1.2 µrad/s, most when
/// the station moves across the line of sight: with the Moon near the
/// meridian, least near moonrise and moonset).
///
/// `moonMinusStationKm` and `velocityKmPerS`: the vector from the station to
/// the Moon (km, ICRF/GCRS axes) and its rate (km/s) at TT
/// `ttDaysSinceJ2000`. The rate is the numerical derivative over ±60 s
/// (the direction followed linearly, the frame exactly), good to 0.1 %.
double ApparentRotationRadPerS(const double moonMinusStationKm[3], const double velocityKmPerS[3],
                               double ttDaysSinceJ2000);

/// The Doppler spread of one's own echo, hertz, limb to limb: a Moon turning
/// at `rotationRadPerS` across the line of sight moves its limbs at ±ω·R
/// towards and away from the station, and each shifts the echo by 2v·f/c:
///     B = 4·ω·R·f/c,  R = 1737.4 km.
/// The usual EME figure (Taylor K1JT, "Frequency-Dependent Characteristics
/// of the EME Path", 2010; Suckling G3WDG, "Predicting Libration Fading on
/// the EME Path", 2010): a few Hz at 1296 MHz, tens of Hz at 10 GHz. Most of
/// the echo's power comes from near the centre of the disk, so the width of
/// the heard echo is a fraction of B.
double EchoSpreadHz(double rotationRadPerS, double frequencyMHz);

} // namespace vantrel::eme
