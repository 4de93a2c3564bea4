#include "apparent/EarthOrientation.h"

#include <erfa.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <limits>

namespace vantrel {

namespace {

/// Columns of the finals2000A format, 0-based offset and width (the
/// format's columns 8-15, 58, 59-68 and 155-165).
constexpr std::size_t kMjdAt = 7;
constexpr std::size_t kMjdWidth = 8;
constexpr std::size_t kFlagAt = 57;
constexpr std::size_t kBulletinAAt = 58;
constexpr std::size_t kBulletinAWidth = 10;
constexpr std::size_t kBulletinBAt = 154;
constexpr std::size_t kBulletinBWidth = 11;

/// MJD of 1900-01-01 and of 2101-01-01: the years the positions cover.
constexpr double kFirstMjd = 15020.0;
constexpr double kEndMjd = 88434.0;
/// UTC keeps |UT1 − UTC| below 0.9 s; a value beyond 1 s is not UT1 − UTC.
constexpr double kMaxOffsetSeconds = 1.0;
/// The series has one value a day; damaged lines leave a few days out. Over
/// a longer gap nothing is known and UT1 = UTC, as outside the series.
constexpr double kMaxGapDays = 10.0;
/// MJD zero point as a Julian Date, days.
constexpr double kMjdZeroJd = 2400000.5;
constexpr double kSecondsPerDay = 86400.0;
constexpr double kMillisecondsPerSecond = 1000.0;
constexpr int kSecondsPerHour = 3600;
constexpr int kSecondsPerMinute = 60;
/// A file of Earth orientation is a few megabytes; far more is not one.
constexpr std::streamoff kMaxFileBytes = std::streamoff{64} * 1024 * 1024;

std::string_view Field(std::string_view line, std::size_t at, std::size_t width) {
    if (at >= line.size()) {
        return {};
    }
    return line.substr(at, width);
}

std::string_view Trim(std::string_view text) {
    constexpr std::string_view kBlanks = " \t";
    const auto first = text.find_first_not_of(kBlanks);
    if (first == std::string_view::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(kBlanks) - first + 1);
}

enum class Number { Blank, Bad, Good };

/// A field holding one decimal number, blanks around it allowed.
Number ReadNumber(std::string_view field, double& value) {
    const std::string_view t = Trim(field);
    if (t.empty()) {
        return Number::Blank;
    }
    const char* begin = t.data();
    const char* end = t.data() + t.size();
    if (*begin == '+') {
        ++begin;
    }
    const auto [ptr, ec] = std::from_chars(begin, end, value, std::chars_format::fixed);
    return ec == std::errc{} && ptr == end && std::isfinite(value) ? Number::Good : Number::Bad;
}

/// TAI − UTC in seconds at the UTC instant `utcMjd` (ERFA eraDat; its
/// warning for a year past its table is accepted, as for TT).
double TaiMinusUtc(double utcMjd) {
    int year = 0;
    int month = 0;
    int day = 0;
    double fraction = 0;
    if (eraJd2cal(kMjdZeroJd, utcMjd, &year, &month, &day, &fraction) != 0) {
        return 0.0;
    }
    double dat = 0;
    return eraDat(year, month, day, fraction, &dat) < 0 ? 0.0 : dat;
}

/// The calendar date of an MJD as "2027-03-01".
std::string IsoDate(double mjd) {
    int year = 0;
    int month = 0;
    int day = 0;
    double fraction = 0;
    if (eraJd2cal(kMjdZeroJd, mjd, &year, &month, &day, &fraction) != 0) {
        return "?";
    }
    char text[16];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d", year, month, day);
    return text;
}

std::string LinesText(std::size_t count) {
    return std::to_string(count) + (count == 1 ? " damaged line" : " damaged lines");
}

} // namespace

/// Builds a table line by line; a friend of EarthOrientation.
struct EarthOrientationReader {
    static EarthOrientationReading Read(std::string_view text, std::string name) {
        auto table = std::shared_ptr<EarthOrientation>(new EarthOrientation());
        table->name_ = std::move(name);
        double lastMjd = -std::numeric_limits<double>::infinity();
        bool predictedSeen = false;
        std::size_t skipped = 0;
        while (!text.empty()) {
            const std::size_t eol = text.find('\n');
            std::string_view line = text.substr(0, eol);
            text = eol == std::string_view::npos ? std::string_view() : text.substr(eol + 1);
            if (!line.empty() && line.back() == '\r') {
                line.remove_suffix(1);
            }
            if (Trim(line).empty()) {
                continue;
            }
            EarthOrientation::Day day;
            bool hasValue = false;
            if (!ReadLine(line, day, hasValue) || !(day.Mjd > lastMjd)) {
                ++skipped;
                continue;
            }
            if (!hasValue) {
                continue; // a day ahead without a value: not damage
            }
            if (day.Predicted && !predictedSeen) {
                predictedSeen = true;
                table->firstPredictedMjd_ = day.Mjd;
                // Interpolation uses the first prediction from the day before it.
                table->predictionReachMjd_ = table->days_.empty() ? -kEndMjd : lastMjd;
            }
            day.TaiMinusUtcSeconds = TaiMinusUtc(day.Mjd);
            table->days_.push_back(day);
            lastMjd = day.Mjd;
        }
        table->skippedLines_ = skipped;

        EarthOrientationReading reading;
        if (table->days_.empty()) {
            reading.Problem = table->name_ + " holds no UT1-UTC value";
            if (skipped > 0) {
                reading.Problem += " (" + LinesText(skipped) + " skipped)";
            }
            reading.Problem += ".";
            return reading;
        }
        if (!predictedSeen) {
            table->firstPredictedMjd_ = std::numeric_limits<double>::infinity();
            table->predictionReachMjd_ = table->firstPredictedMjd_;
        }
        if (skipped > 0) {
            reading.Notice = table->name_ + ": " + LinesText(skipped) + " skipped.";
        }
        reading.Table = std::move(table);
        return reading;
    }

    /// Reads one non-blank line. False for a damaged line; `hasValue` false
    /// for a dated line without either value.
    static bool ReadLine(std::string_view line, EarthOrientation::Day& day, bool& hasValue) {
        if (ReadNumber(Field(line, kMjdAt, kMjdWidth), day.Mjd) != Number::Good ||
            !(day.Mjd >= kFirstMjd && day.Mjd < kEndMjd)) {
            return false;
        }
        double bulletinA = 0;
        const Number a = ReadNumber(Field(line, kBulletinAAt, kBulletinAWidth), bulletinA);
        double bulletinB = 0;
        const Number b = ReadNumber(Field(line, kBulletinBAt, kBulletinBWidth), bulletinB);
        // A value cut short by the end of the line has lost digits.
        const bool aCut = a != Number::Blank && line.size() < kBulletinAAt + kBulletinAWidth;
        const bool bCut = b != Number::Blank && line.size() < kBulletinBAt + kBulletinBWidth;
        if (a == Number::Bad || b == Number::Bad || aCut || bCut) {
            return false;
        }
        const char flag = kFlagAt < line.size() ? line[kFlagAt] : ' ';
        if (a == Number::Good && flag != 'I' && flag != 'P') {
            return false;
        }
        if ((a == Number::Good && !(std::fabs(bulletinA) <= kMaxOffsetSeconds)) ||
            (b == Number::Good && !(std::fabs(bulletinB) <= kMaxOffsetSeconds))) {
            return false;
        }
        hasValue = a == Number::Good || b == Number::Good;
        if (b == Number::Good) {
            day.Ut1MinusUtcSeconds = bulletinB;
            day.Predicted = false;
        } else {
            day.Ut1MinusUtcSeconds = bulletinA;
            day.Predicted = flag == 'P';
        }
        return true;
    }
};

Ut1Offset EarthOrientation::At(double utcMjd) const {
    if (utcMjd > LastMjd() && utcMjd <= LastMjd() + kUt1HoldDays) {
        // The last value held; across a leap second UT1 − TAI is.
        const Day& last = days_.back();
        return {last.Ut1MinusUtcSeconds - last.TaiMinusUtcSeconds + TaiMinusUtc(utcMjd),
                Ut1Source::Held};
    }
    if (!(utcMjd >= FirstMjd() && utcMjd <= LastMjd())) {
        return {};
    }
    // The first day after the instant; the instant lies on or after the one before.
    auto next = std::upper_bound(days_.begin(), days_.end(), utcMjd,
                                 [](double mjd, const Day& d) { return mjd < d.Mjd; });
    if (next == days_.end()) {
        const Day& last = days_.back(); // the instant is the last day itself
        return {last.Ut1MinusUtcSeconds,
                last.Predicted ? Ut1Source::Predicted : Ut1Source::Observed};
    }
    const Day& a = *(next - 1);
    const Day& b = *next;
    if (b.Mjd - a.Mjd > kMaxGapDays) {
        return {}; // nothing known in between
    }
    const double w = (utcMjd - a.Mjd) / (b.Mjd - a.Mjd);
    Ut1Offset offset;
    if (a.TaiMinusUtcSeconds == b.TaiMinusUtcSeconds) {
        offset.Ut1MinusUtcSeconds =
            a.Ut1MinusUtcSeconds + w * (b.Ut1MinusUtcSeconds - a.Ut1MinusUtcSeconds);
    } else {
        // A leap second between the two days: interpolate UT1 − TAI.
        const double ut1MinusTaiA = a.Ut1MinusUtcSeconds - a.TaiMinusUtcSeconds;
        const double ut1MinusTaiB = b.Ut1MinusUtcSeconds - b.TaiMinusUtcSeconds;
        offset.Ut1MinusUtcSeconds =
            ut1MinusTaiA + w * (ut1MinusTaiB - ut1MinusTaiA) + TaiMinusUtc(utcMjd);
    }
    const bool predicted = (a.Predicted && w < 1.0) || (b.Predicted && w > 0.0);
    offset.Source = predicted ? Ut1Source::Predicted : Ut1Source::Observed;
    return offset;
}

std::string EarthOrientation::Description(double firstUtcMjd, double lastUtcMjd) const {
    const double heldTo = LastMjd() + kUt1HoldDays;
    const std::string forThese =
        std::string(": ") + std::string(kUt1EqualsUtc) + " for these dates";
    if (firstUtcMjd > heldTo) {
        return name_ + " ends " + IsoDate(LastMjd()) + forThese;
    }
    if (lastUtcMjd < FirstMjd()) {
        return name_ + " begins " + IsoDate(FirstMjd()) + forThese;
    }
    const double from = std::max(firstUtcMjd, FirstMjd());
    const double to = std::min(lastUtcMjd, LastMjd());
    std::string text;
    if (from <= to) {
        text = to > predictionReachMjd_ ? kUt1FromIersPredicted : kUt1FromIers;
    } else {
        text = std::string(kUt1FromIers);
    }
    if (firstUtcMjd < FirstMjd()) {
        text += "; UT1 = UTC before " + IsoDate(FirstMjd());
    }
    if (lastUtcMjd > LastMjd()) {
        text += "; its last value held after " + IsoDate(LastMjd());
    }
    if (lastUtcMjd > heldTo) {
        text += "; UT1 = UTC after " + IsoDate(heldTo);
    }
    return text;
}

double EarthOrientation::UtcMjd(const DecodedInstant& utc) {
    double mjd0 = 0;
    double mjd = 0;
    if (eraCal2jd(utc.Year, utc.Month, utc.Day, &mjd0, &mjd) != 0) {
        return std::numeric_limits<double>::quiet_NaN();
    }
    const double second = utc.Hour * kSecondsPerHour + utc.Minute * kSecondsPerMinute + utc.Second +
                          utc.Millisecond / kMillisecondsPerSecond;
    return mjd + std::min(second, kSecondsPerDay) / kSecondsPerDay;
}

EarthOrientationReading ReadEarthOrientation(std::string_view text, std::string name) {
    return EarthOrientationReader::Read(text, std::move(name));
}

EarthOrientationReading LoadEarthOrientation(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    std::ifstream in(path, std::ios::binary);
    EarthOrientationReading reading;
    if (!in) {
        reading.Problem = path + " cannot be read.";
        return reading;
    }
    in.seekg(0, std::ios::end);
    const std::streamoff size = in.tellg();
    if (size < 0 || size > kMaxFileBytes) {
        reading.Problem = path + " is not a finals2000A file (" +
                          (size < 0 ? std::string("not a regular file") : "over 64 MiB") + ").";
        return reading;
    }
    in.seekg(0, std::ios::beg);
    std::string text(static_cast<std::size_t>(size), '\0');
    if (!in.read(text.data(), size)) {
        reading.Problem = path + " cannot be read.";
        return reading;
    }
    return ReadEarthOrientation(text, std::move(name));
}

EarthOrientationReading ReadIersFileIn(const std::string& folder) {
    for (const std::string_view name : kIersFileNames) {
        const std::filesystem::path path =
            folder.empty() ? std::filesystem::path(name) : std::filesystem::path(folder) / name;
        std::error_code error;
        if (std::filesystem::exists(path, error)) {
            return LoadEarthOrientation(path.string());
        }
    }
    return {};
}

std::string Ut1SourceText(const EarthOrientation* ut1, std::string_view problem) {
    if (ut1 == nullptr) {
        std::string text(kUt1EqualsUtc);
        text += ": ";
        if (problem.empty()) {
            text += "no finals2000A.all, .daily or .data in the data folder";
        } else {
            text += problem;
        }
        return text;
    }
    std::string text(kUt1FromIers);
    text += ": " + ut1->Name() + ", " + IsoDate(ut1->FirstMjd()) + " to " + IsoDate(ut1->LastMjd());
    if (ut1->FirstPredictedMjd() <= ut1->LastMjd()) {
        text += ", predicted from " + IsoDate(ut1->FirstPredictedMjd());
    }
    if (ut1->SkippedLines() > 0) {
        text += "; " + LinesText(ut1->SkippedLines()) + " skipped";
    }
    return text;
}

std::string Ut1Description(const EarthOrientation* ut1, double firstUtcMjd, double lastUtcMjd) {
    return ut1 == nullptr ? std::string(kUt1EqualsUtc) : ut1->Description(firstUtcMjd, lastUtcMjd);
}

} // namespace vantrel
