#include "sunmoon/ElpSeriesFile.h"

#include <charconv>
#include <cmath>
#include <fstream>
#include <system_error>

namespace vantrel::sunmoon {

namespace {

constexpr const char* kCoordinateSuffix[kElpCoordinates] = {"long", "lat", "dist"};
/// Series per coordinate: longitude and distance T⁰..T³, latitude T⁰..T².
constexpr int kPowersOf[kElpCoordinates] = {4, 3, 4};
/// Columns after the multipliers in the main problem: A and B1..B6 (B6 unused).
constexpr int kMainAmplitudes = 7;
constexpr int kMainMultipliers = 4;
constexpr int kPerturbationMultipliers = 13;

/// The numbers of one line, separated by blanks.
class Fields {
public:
    explicit Fields(const std::string& line) : at_(line.data()), end_(line.data() + line.size()) {}

    bool Next(double& value) {
        while (at_ < end_ && (*at_ == ' ' || *at_ == '\t' || *at_ == '\r')) {
            ++at_;
        }
        const auto [next, ec] = std::from_chars(at_, end_, value);
        if (ec != std::errc() || !std::isfinite(value)) {
            return false;
        }
        at_ = next;
        return true;
    }

    bool Multiplier(std::int8_t& value) {
        double v = 0;
        if (!Next(v) || v != std::trunc(v) || std::fabs(v) > 127) {
            return false;
        }
        value = static_cast<std::int8_t>(v);
        return true;
    }

private:
    const char* at_;
    const char* end_;
};

/// Reads a file's count line and then calls `term(fields)` for each line;
/// false with `error` set at the first fault.
template <typename ReadTerm>
bool ReadFile(const std::string& path, ReadTerm term, std::string& error) {
    std::ifstream in(path);
    if (!in) {
        error = path + ": cannot be opened";
        return false;
    }
    std::string line;
    double count = 0;
    if (!std::getline(in, line) || !Fields(line).Next(count) || count < 0 ||
        count != std::trunc(count)) {
        error = path + ": line 1 does not give the number of terms";
        return false;
    }
    const auto terms = static_cast<long>(count);
    for (long n = 0; n < terms; ++n) {
        if (!std::getline(in, line)) {
            error = path + ": ends after " + std::to_string(n) + " of " + std::to_string(terms) +
                    " terms";
            return false;
        }
        Fields fields(line);
        if (!term(fields)) {
            error = path + ": line " + std::to_string(n + 2) + " is not a term";
            return false;
        }
    }
    return true;
}

} // namespace

ElpSeriesSet ElpSeriesFiles::View() const {
    ElpSeriesSet set;
    for (int c = 0; c < kElpCoordinates; ++c) {
        set.Main[c] = Main[c];
        for (int n = 0; n < kElpPowers; ++n) {
            set.Perturbation[c][n] = Perturbation[c][n];
        }
    }
    return set;
}

std::string ElpMainFileName(ElpCoordinate coordinate) {
    return std::string("elp_main.") + kCoordinateSuffix[static_cast<int>(coordinate)];
}

std::string ElpPerturbationFileName(ElpCoordinate coordinate, int power) {
    const int c = static_cast<int>(coordinate);
    if (power < 0 || power >= kPowersOf[c]) {
        return {};
    }
    return std::string("elp_pert.") + kCoordinateSuffix[c] + "T" + std::to_string(power);
}

bool ReadElpSeriesFiles(const std::string& folder, ElpSeriesFiles& out, std::string& error) {
    ElpSeriesFiles files;
    for (int c = 0; c < kElpCoordinates; ++c) {
        const auto coordinate = static_cast<ElpCoordinate>(c);
        auto& main = files.Main[c];
        const bool mainRead = ReadFile(
            folder + "/" + ElpMainFileName(coordinate),
            [&main](Fields& f) {
                ElpMainTerm t{};
                for (int k = 0; k < kMainMultipliers; ++k) {
                    if (!f.Multiplier(t.Multipliers[k])) {
                        return false;
                    }
                }
                double values[kMainAmplitudes];
                for (double& v : values) {
                    if (!f.Next(v)) {
                        return false;
                    }
                }
                t.A = values[0];
                for (int j = 0; j < 5; ++j) {
                    t.B[j] = values[1 + j];
                }
                main.push_back(t);
                return true;
            },
            error);
        if (!mainRead) {
            return false;
        }
        for (int n = 0; n < kPowersOf[c]; ++n) {
            auto& series = files.Perturbation[c][n];
            const bool read = ReadFile(
                folder + "/" + ElpPerturbationFileName(coordinate, n),
                [&series](Fields& f) {
                    ElpPerturbationTerm t{};
                    for (int k = 0; k < kPerturbationMultipliers; ++k) {
                        if (!f.Multiplier(t.Multipliers[k])) {
                            return false;
                        }
                    }
                    if (!f.Next(t.A) || !f.Next(t.Phase)) {
                        return false;
                    }
                    series.push_back(t);
                    return true;
                },
                error);
            if (!read) {
                return false;
            }
        }
    }
    out = std::move(files);
    return true;
}

} // namespace vantrel::sunmoon
