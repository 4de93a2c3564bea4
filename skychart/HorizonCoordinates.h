#pragma once

namespace vantrel {

/// Elevation and azimuth of one place in the sky, degrees.
struct HorizonPlaceDeg {
    double ElevationDeg = 0; ///< −90..90, above the horizon positive
    double AzimuthDeg = 0;   ///< 0 <= A < 360, from north through east
};

/// The station's terms of the conversion, worked out once per station.
struct StationTerms {
    double SinLatitude = 0;
    double CosLatitude = 1;
    double LongitudeDeg = 0; ///< east positive

    /// `latitudeDeg` north positive, `longitudeDeg` east positive, degrees.
    static StationTerms Of(double latitudeDeg, double longitudeDeg);
};

/// Horizon coordinates from Greenwich hour angle and declination.
///
/// Given: `ghaDeg` the Greenwich hour angle (degrees, westward, any range);
/// `sinDec`, `cosDec` the sine and cosine of the declination; the station's
/// terms. The local hour angle is H = GHA + longitude (east positive). Then
///   sin h = sin φ sin δ + cos φ cos δ cos H,
///   A = atan2(−cos δ sin H, sin δ cos φ − cos δ sin φ cos H),
/// the azimuth counted from north through east (Meeus, Astronomical
/// Algorithms, 2nd ed., eqs. 13.5 and 13.6, there counted from the south).
/// Precision: double arithmetic, far below the hundredth of a degree the
/// table shows. Whatever the hour angle and declination already hold
/// (topocentric place, refraction) the result holds too.
HorizonPlaceDeg HorizonFromHourAngle(double ghaDeg, double sinDec, double cosDec,
                                     const StationTerms& station);

} // namespace vantrel
