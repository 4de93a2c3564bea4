#pragma once

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace vantrel::sky {

/// The all-sky survey at 408 MHz and its spectral-index map, as two images
/// of the same grid: equatorial J2000 in a plate carrée (CAR) projection,
/// pixel (i, j) from 0 at right ascension CRVAL1 + (i + 1 − CRPIX1)·CDELT1
/// and declination CRVAL2 + (j + 1 − CRPIX2)·CDELT2, degrees (the FITS
/// convention counts pixels from 1).
///
/// The survey: Haslam et al. 1982, A&AS 47, 1, destriped by Platania et al.
/// 2003, A&A 410, 847; brightness temperature in K, the CMB included;
/// resolution 0.85°. The index: Platania et al. 2003, from the 408, 1420 and
/// 2326 MHz surveys; T ∝ f^−β; 0 where it could not be derived.
struct SkySurvey {
    int Width = 0;                    ///< pixels along right ascension
    int Height = 0;                   ///< pixels along declination
    double RaRefPixel = 0;            ///< CRPIX1 (from 1)
    double DecRefPixel = 0;           ///< CRPIX2 (from 1)
    double RaRefDeg = 0;              ///< CRVAL1, degrees
    double DecRefDeg = 0;             ///< CRVAL2, degrees
    double RaStepDeg = 0;             ///< CDELT1, degrees a pixel (negative: RA grows to the left)
    double DecStepDeg = 0;            ///< CDELT2, degrees a pixel
    std::vector<float> TemperatureK;  ///< row by row (declination), Width·Height values
    std::vector<float> SpectralIndex; ///< the same grid; 0: none derived

    /// Right ascension of column `i` (from 0), degrees in [0, 360).
    double RaDeg(int i) const;
    /// Declination of row `j` (from 0), degrees.
    double DecDeg(int j) const;
    /// The column nearest to `raDeg` (any value), wrapping round the sky.
    int ColumnOf(double raDeg) const;
    /// The row nearest to `decDeg`, clamped to the map.
    int RowOf(double decDeg) const;
};

/// The outcome of reading the survey: the maps, or why they cannot be used.
struct SkySurveyLoad {
    std::optional<SkySurvey> Survey;
    std::string Problem; ///< a sentence naming the file; empty on success
};

/// Reads the two FITS images (cfitsio): `temperaturePath` (the 408 MHz
/// survey, BUNIT K) and `indexPath` (the spectral index). Both must be
/// two-dimensional images of the same size and grid in RA---CAR/DEC--CAR,
/// spanning 360° of right ascension; non-finite temperatures are refused.
SkySurveyLoad LoadSkySurvey(const std::string& temperaturePath, const std::string& indexPath);

/// File names of the two images in the survey's folder.
inline constexpr const char* kSurveyTemperatureFile = "408mhz_ra_dec.fits";
inline constexpr const char* kSurveyIndexFile = "408mhz_ra_dec_spectral_index.fits";

/// The folder holding the survey for a program in `executableDirectory`:
/// "data/sky408" beside it (the build tree), else "../share/vantrel/sky408"
/// (the installed program); the first that holds the temperature map.
/// Empty when neither does.
std::string FindSkySurveyFolder(const std::string& executableDirectory);

/// Loads the survey from `folder` (FindSkySurveyFolder), or says why not.
SkySurveyLoad LoadSkySurveyFrom(const std::string& folder);

/// The survey of a folder as the windows share it: read once for the
/// process (a few megabytes), then the same immutable maps for every window
/// and thread that asks; or why it cannot be read (asked again, it is read
/// again, so maps installed meanwhile are found).
struct SharedSkySurvey {
    std::shared_ptr<const SkySurvey> Survey;
    std::string Problem; ///< a sentence naming the file; empty with a survey
};

/// The shared survey of `folder`; thread-safe. Blocking I/O on its first
/// call for a folder: call it off the user-interface thread.
SharedSkySurvey SkySurveyOf(const std::string& folder);

} // namespace vantrel::sky
