#include "skymodel/SkySurvey.h"

#include <fitsio.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <map>
#include <memory>
#include <mutex>

namespace vantrel::sky {

namespace {

struct FitsImage {
    long Width = 0;
    long Height = 0;
    double CrPix1 = 0, CrPix2 = 0, CrVal1 = 0, CrVal2 = 0, CDelt1 = 0, CDelt2 = 0;
    std::string CType1, CType2;
    std::vector<float> Pixels;
};

std::string FitsError(int status) {
    char text[FLEN_STATUS] = {};
    fits_get_errstatus(status, text);
    return text;
}

struct FitsCloser {
    void operator()(fitsfile* f) const {
        int status = 0;
        fits_close_file(f, &status);
    }
};

/// Reads one two-dimensional image and the keys of its grid; the reason
/// when it cannot.
std::optional<std::string> ReadImage(const std::string& path, FitsImage& image) {
    int status = 0;
    fitsfile* raw = nullptr;
    if (fits_open_image(&raw, path.c_str(), READONLY, &status) != 0) {
        return "Cannot read the sky map " + path + ": " + FitsError(status);
    }
    const std::unique_ptr<fitsfile, FitsCloser> file(raw);
    int dims = 0;
    long size[2] = {0, 0};
    if (fits_get_img_dim(raw, &dims, &status) != 0 || dims != 2 ||
        fits_get_img_size(raw, 2, size, &status) != 0 || size[0] <= 0 || size[1] <= 0) {
        return "The sky map " + path + " is not a two-dimensional image.";
    }
    image.Width = size[0];
    image.Height = size[1];
    const auto key = [&](const char* name, double& into) {
        int s = 0;
        fits_read_key(raw, TDOUBLE, name, &into, nullptr, &s);
        return s == 0;
    };
    const auto text = [&](const char* name, std::string& into) {
        int s = 0;
        char value[FLEN_VALUE] = {};
        fits_read_key(raw, TSTRING, name, value, nullptr, &s);
        into = value;
        return s == 0;
    };
    if (!key("CRPIX1", image.CrPix1) || !key("CRPIX2", image.CrPix2) ||
        !key("CRVAL1", image.CrVal1) || !key("CRVAL2", image.CrVal2) ||
        !key("CDELT1", image.CDelt1) || !key("CDELT2", image.CDelt2) ||
        !text("CTYPE1", image.CType1) || !text("CTYPE2", image.CType2)) {
        return "The sky map " + path + " lacks the keys of its grid (CRPIX, CRVAL, CDELT, CTYPE).";
    }
    image.Pixels.assign(static_cast<std::size_t>(image.Width * image.Height), 0.0F);
    long first[2] = {1, 1};
    float null = NAN;
    int anyNull = 0;
    if (fits_read_pix(raw, TFLOAT, first, image.Width * image.Height, &null, image.Pixels.data(),
                      &anyNull, &status) != 0) {
        return "Cannot read the pixels of the sky map " + path + ": " + FitsError(status);
    }
    return std::nullopt;
}

} // namespace

double SkySurvey::RaDeg(int i) const {
    const double ra = std::fmod(RaRefDeg + (i + 1 - RaRefPixel) * RaStepDeg, 360.0);
    return ra < 0 ? ra + 360.0 : ra;
}

double SkySurvey::DecDeg(int j) const {
    return DecRefDeg + (j + 1 - DecRefPixel) * DecStepDeg;
}

int SkySurvey::ColumnOf(double raDeg) const {
    const double x = (raDeg - RaRefDeg) / RaStepDeg + RaRefPixel - 1;
    const long i = std::lround(x);
    const long w = Width;
    return static_cast<int>(((i % w) + w) % w);
}

int SkySurvey::RowOf(double decDeg) const {
    const long j = std::lround((decDeg - DecRefDeg) / DecStepDeg + DecRefPixel - 1);
    return static_cast<int>(std::clamp<long>(j, 0, Height - 1));
}

SkySurveyLoad LoadSkySurvey(const std::string& temperaturePath, const std::string& indexPath) {
    SkySurveyLoad load;
    FitsImage t;
    FitsImage b;
    if (auto failed = ReadImage(temperaturePath, t)) {
        load.Problem = *failed;
        return load;
    }
    if (auto failed = ReadImage(indexPath, b)) {
        load.Problem = *failed;
        return load;
    }
    const auto sameGrid = [](const FitsImage& x, const FitsImage& y) {
        return x.Width == y.Width && x.Height == y.Height && x.CrPix1 == y.CrPix1 &&
               x.CrPix2 == y.CrPix2 && x.CrVal1 == y.CrVal1 && x.CrVal2 == y.CrVal2 &&
               x.CDelt1 == y.CDelt1 && x.CDelt2 == y.CDelt2;
    };
    if (t.CType1.rfind("RA---CAR", 0) != 0 || t.CType2.rfind("DEC--CAR", 0) != 0) {
        load.Problem = "The sky map " + temperaturePath +
                       " is not in equatorial plate carree coordinates (RA---CAR, DEC--CAR).";
        return load;
    }
    // The whole circle of right ascension, to the header's rounding of the
    // step (0.351562 for 360/1024).
    if (!sameGrid(t, b) || std::fabs(std::fabs(t.CDelt1) * t.Width - 360.0) > 0.01 ||
        t.CDelt2 <= 0) {
        load.Problem = "The sky maps " + temperaturePath + " and " + indexPath +
                       " do not cover the whole sky on the same grid.";
        return load;
    }
    for (float v : t.Pixels) {
        if (!std::isfinite(v) || v < 0) {
            load.Problem =
                "The sky map " + temperaturePath + " holds a pixel without a temperature.";
            return load;
        }
    }
    SkySurvey s;
    s.Width = static_cast<int>(t.Width);
    s.Height = static_cast<int>(t.Height);
    s.RaRefPixel = t.CrPix1;
    s.DecRefPixel = t.CrPix2;
    s.RaRefDeg = t.CrVal1;
    s.DecRefDeg = t.CrVal2;
    // The step that closes the circle exactly: the header rounds it.
    s.RaStepDeg = std::copysign(360.0 / static_cast<double>(t.Width), t.CDelt1);
    s.DecStepDeg = t.CDelt2;
    s.TemperatureK = std::move(t.Pixels);
    s.SpectralIndex = std::move(b.Pixels);
    for (float& v : s.SpectralIndex) {
        if (!std::isfinite(v)) {
            v = 0;
        }
    }
    load.Survey = std::move(s);
    return load;
}

std::string FindSkySurveyFolder(const std::string& executableDirectory) {
    if (executableDirectory.empty()) {
        return {};
    }
    for (const char* relative : {"/data/sky408", "/../share/vantrel/sky408"}) {
        const std::filesystem::path folder =
            std::filesystem::path(executableDirectory + relative).lexically_normal();
        std::error_code ec;
        if (std::filesystem::is_regular_file(folder / kSurveyTemperatureFile, ec)) {
            std::string text = folder.string();
            while (text.size() > 1 && text.back() == '/') {
                text.pop_back();
            }
            return text;
        }
    }
    return {};
}

SkySurveyLoad LoadSkySurveyFrom(const std::string& folder) {
    if (folder.empty()) {
        SkySurveyLoad load;
        load.Problem = "The 408 MHz sky maps are not installed (data/sky408 beside the program, "
                       "or share/vantrel/sky408).";
        return load;
    }
    return LoadSkySurvey(folder + "/" + kSurveyTemperatureFile, folder + "/" + kSurveyIndexFile);
}

SharedSkySurvey SkySurveyOf(const std::string& folder) {
    static std::mutex lock;
    static std::map<std::string, std::shared_ptr<const SkySurvey>> read;
    const std::lock_guard guard(lock);
    if (const auto it = read.find(folder); it != read.end()) {
        return {it->second, {}};
    }
    SkySurveyLoad load = LoadSkySurveyFrom(folder);
    if (!load.Survey) {
        return {nullptr, load.Problem};
    }
    auto survey = std::make_shared<const SkySurvey>(std::move(*load.Survey));
    read.emplace(folder, survey);
    return {survey, {}};
}

} // namespace vantrel::sky
