#include "measure/SolarFluxFile.h"

#include "measure/NumberText.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <charconv>
#include <cmath>
#include <fstream>
#include <iterator>

namespace vantrel::measure {

namespace {

/// The RSTN stations' eight frequencies, MHz, in the order of their files.
constexpr std::array<double, 8> kRstnMHz{245, 410, 610, 1415, 2695, 4995, 8800, 15400};

/// Penticton's one frequency, MHz (10.7 cm).
constexpr double kPentictonMHz = 2800.0;

/// The largest file read, bytes: a year of NCEI rows is some 100 kB.
constexpr std::size_t kLargestFileBytes = 64u << 20;

/// About local noon at the stations, minutes after 00:00 UTC, for files
/// that give no time (NOAA's list gives Learmonth 0500, San Vito 1200,
/// Sagamore Hill 1700, Palehua 2300 UTC).
struct StationNoon {
    const char* Name;
    const char* Aliases; ///< other names and the codes of its files, '|'-separated
    int MinuteOfDay;
};
constexpr std::array<StationNoon, 5> kStations{{
    {"Learmonth", "LEAR|APLM", 5 * 60},
    {"San Vito", "San-Vito|SVTO|LISS", 12 * 60},
    {"Sagamore Hill", "Sag Hill|Sag-Hill|Sagamore|SGMR|K7OL|HOLL", 17 * 60},
    {"Palehua", "PALE|PHFF", 23 * 60},
    {"Penticton", "PENT", 20 * 60},
}};

std::string Lower(std::string_view s) {
    std::string out(s);
    for (char& c : out) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return out;
}

/// A station's name as the tables print it: printable ASCII, a comma (which
/// would split a CSV cell) or any other byte as a blank.
std::string Printable(std::string_view name) {
    std::string out(name);
    for (char& c : out) {
        if (c < 0x20 || c > 0x7e || c == ',') {
            c = ' ';
        }
    }
    return out;
}

const StationNoon* KnownStation(std::string_view nameOrCode) {
    const std::string key = Lower(TrimBlanks(nameOrCode));
    for (const StationNoon& s : kStations) {
        if (Lower(s.Name) == key) {
            return &s;
        }
        const std::string aliases = Lower(s.Aliases);
        std::size_t at = 0;
        while (at < aliases.size()) {
            const std::size_t end = std::min(aliases.find('|', at), aliases.size());
            if (aliases.substr(at, end - at) == key) {
                return &s;
            }
            at = end + 1;
        }
    }
    return nullptr;
}

std::vector<std::string_view> Words(std::string_view line) {
    std::vector<std::string_view> words;
    std::size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) {
            ++i;
        }
        const std::size_t start = i;
        while (i < line.size() && line[i] != ' ' && line[i] != '\t') {
            ++i;
        }
        if (i > start) {
            words.push_back(line.substr(start, i - start));
        }
    }
    return words;
}

/// Columns separated by two or more blanks (station names hold one blank).
std::vector<std::string> Columns(std::string_view line) {
    std::vector<std::string> out;
    std::string current;
    int blanks = 0;
    for (char c : line) {
        if (c == ' ' || c == '\t') {
            blanks += c == '\t' ? 2 : 1;
            continue;
        }
        if (blanks >= 2 && !current.empty()) {
            out.push_back(current);
            current.clear();
        } else if (blanks == 1 && !current.empty()) {
            current += ' ';
        }
        blanks = 0;
        current += c;
    }
    if (!current.empty()) {
        out.push_back(current);
    }
    return out;
}

std::optional<int> Digits(std::string_view text) {
    if (text.empty()) {
        return std::nullopt;
    }
    for (char c : text) {
        if (c < '0' || c > '9') {
            return std::nullopt;
        }
    }
    int v = 0;
    const auto r = std::from_chars(text.data(), text.data() + text.size(), v);
    if (r.ec != std::errc{}) {
        return std::nullopt;
    }
    return v;
}

bool LeapYear(int y) {
    return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
}

bool RealDate(int y, int m, int d) {
    constexpr std::array<int, 12> kDays{31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (y < 1900 || y > 2100 || m < 1 || m > 12 || d < 1) {
        return false;
    }
    return d <= kDays[m - 1] + (m == 2 && LeapYear(y) ? 1 : 0);
}

/// "HHMM" or "HHMMSS" as minutes of the day.
std::optional<int> MinuteOfDay(std::string_view text) {
    if (text.size() != 4 && text.size() != 6) {
        return std::nullopt;
    }
    const auto h = Digits(text.substr(0, 2));
    const auto m = Digits(text.substr(2, 2));
    const auto s = text.size() == 6 ? Digits(text.substr(4, 2)) : std::optional<int>(0);
    if (!h || !m || !s || *h > 24 || *m > 59 || *s > 59 || (*h == 24 && (*m || *s))) {
        return std::nullopt;
    }
    return std::min(*h * 60 + *m, 1439);
}

/// A flux value in sfu; nothing for a missing one ("-1", any negative,
/// "//////"); `bad` set for a word that is no number.
std::optional<double> FluxValue(std::string_view word, bool& bad) {
    if (!word.empty() && word.find_first_not_of('/') == std::string_view::npos) {
        return std::nullopt;
    }
    const auto v = FiniteNumber(word);
    if (!v) {
        bad = true;
        return std::nullopt;
    }
    if (*v < 0) {
        return std::nullopt;
    }
    if (*v == 0 || *v > kLargestSolarFluxSfu) {
        return std::nullopt; // no flux: the Sun always gives some
    }
    return *v;
}

/// "2026 Dec 10" (or "10 Dec 2026") as a date.
std::optional<SolarFluxInstant> MonthNameDate(const std::vector<std::string_view>& w) {
    static constexpr std::array<const char*, 12> kMonths{"jan", "feb", "mar", "apr", "may", "jun",
                                                         "jul", "aug", "sep", "oct", "nov", "dec"};
    if (w.size() != 3) {
        return std::nullopt;
    }
    const bool dayFirst = w[0].size() <= 2 && w[2].size() == 4;
    const std::optional<int> y = Digits(dayFirst ? w[2] : w[0]);
    const std::optional<int> d = Digits(dayFirst ? w[0] : w[2]);
    const std::string mon = Lower(w[1]);
    for (int m = 0; m < 12; ++m) {
        if (y && d && mon == kMonths[m] && RealDate(*y, m + 1, *d)) {
            return SolarFluxInstant{*y, m + 1, *d, -1};
        }
    }
    return std::nullopt;
}

/// The block of NOAA's current indices (curind.txt) holding the list.
constexpr std::string_view kFluxBlock = ":Solar_Radio_Flux:";

class Reading {
public:
    explicit Reading(SolarFluxLayout layout) { Result.Layout = layout; }
    void Bad(std::size_t lineNumber) {
        if (Result.BadLines++ == 0) {
            FirstBad = lineNumber;
        }
    }
    SolarFluxFileRead Finish() {
        if (Result.BadLines > 0) {
            Result.Note =
                std::to_string(Result.BadLines) +
                (Result.BadLines == 1 ? " line not understood was" : " lines not understood were") +
                " skipped (the first: line " + std::to_string(FirstBad) + ").";
        }
        if (Result.Spectra.empty() && !Result.Refused) {
            Result.Refused = std::string("The file reads as ") + LayoutName(Result.Layout) +
                             " but holds no flux value.";
        }
        return Result;
    }
    SolarFluxFileRead Result;
    std::size_t FirstBad = 0;
};

std::vector<std::string_view> Lines(std::string_view text) {
    std::vector<std::string_view> lines;
    std::size_t at = 0;
    while (at < text.size()) {
        std::size_t end = text.find('\n', at);
        if (end == std::string_view::npos) {
            end = text.size();
        }
        std::string_view line = text.substr(at, end - at);
        if (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
        }
        lines.push_back(line);
        at = end + 1;
    }
    return lines;
}

bool Blank(std::string_view line) {
    return TrimBlanks(line).empty();
}

SolarFluxFileRead ReadNoaaList(const std::vector<std::string_view>& lines) {
    Reading r(SolarFluxLayout::NoaaNoonList);
    // In the current indices only the flux block is read, the others are
    // passed over without a note.
    const bool blockOnly = std::any_of(lines.begin(), lines.end(), [](std::string_view l) {
        return TrimBlanks(l).rfind(kFluxBlock, 0) == 0;
    });
    bool inBlock = !blockOnly;
    // The stations' names: columns two or more blanks apart, or words.
    std::vector<std::string> columns;
    std::vector<std::string> words;
    std::vector<int> times;
    bool expectTimes = false;
    std::optional<SolarFluxInstant> day;
    std::vector<StationSpectrum> today;
    const auto closeDay = [&] {
        for (StationSpectrum& s : today) {
            if (!s.Points.empty()) {
                r.Result.Spectra.push_back(std::move(s));
            }
        }
        today.clear();
    };
    for (std::size_t n = 0; n < lines.size(); ++n) {
        std::string_view line = TrimBlanks(lines[n]);
        if (line.empty()) {
            continue;
        }
        if (line.front() == ':') {
            if (blockOnly) {
                closeDay();
                inBlock = line.rfind(kFluxBlock, 0) == 0;
                day = inBlock ? MonthNameDate(Words(line.substr(kFluxBlock.size()))) : std::nullopt;
            }
            continue;
        }
        if (!inBlock) {
            continue;
        }
        const bool comment = line.front() == '#';
        if (comment) {
            line = TrimBlanks(line.substr(1));
        }
        const std::string lower = Lower(line);
        if (lower.rfind("freq", 0) == 0) {
            columns = Columns(line);
            columns.erase(columns.begin());
            words.clear();
            for (std::string_view w : Words(line)) {
                words.emplace_back(w);
            }
            words.erase(words.begin());
            times.clear();
            expectTimes = true;
            continue;
        }
        if (expectTimes && lower.find("utc") != std::string::npos) {
            for (std::string_view w : Words(line)) {
                if (const auto t = MinuteOfDay(w); t && w.size() == 4) {
                    times.push_back(*t);
                }
            }
            expectTimes = false;
            continue;
        }
        if (comment) {
            continue;
        }
        const std::vector<std::string_view> w = Words(line);
        if (const auto date = MonthNameDate(w)) {
            closeDay();
            day = date;
            continue;
        }
        const auto mhz = FiniteNumber(w[0]);
        const std::size_t count = w.size() - 1;
        if (!day || !mhz || *mhz <= 0 || w.size() < 2 ||
            (!today.empty() && today.size() != count)) {
            r.Bad(n + 1);
            continue;
        }
        if (today.empty()) {
            const std::vector<std::string>& names = columns.size() == count ? columns
                                                    : words.size() == count ? words
                                                                            : columns;
            for (std::size_t i = 0; i < count; ++i) {
                StationSpectrum s;
                const StationNoon* known = names.size() == count ? KnownStation(names[i]) : nullptr;
                s.Station = known                   ? std::string(known->Name)
                            : names.size() == count ? Printable(names[i])
                                                    : "station " + std::to_string(i + 1);
                s.When = *day;
                if (times.size() == count) {
                    s.When.MinuteOfDay = times[i];
                } else if (known) {
                    s.When.MinuteOfDay = known->MinuteOfDay;
                }
                today.push_back(s);
            }
        }
        bool bad = false;
        std::vector<std::optional<double>> values;
        for (std::size_t i = 0; i < count; ++i) {
            values.push_back(FluxValue(w[i + 1], bad));
        }
        if (bad) {
            r.Bad(n + 1);
            continue;
        }
        for (std::size_t i = 0; i < count; ++i) {
            if (values[i]) {
                today[i].Points.push_back({*mhz, *values[i]});
            }
        }
    }
    closeDay();
    return r.Finish();
}

/// The date of a Learmonth day file from its name LyyMMdd.SRD.
std::optional<SolarFluxInstant> LearmonthDate(std::string_view fileName) {
    if (fileName.size() != 11 || (fileName[0] != 'L' && fileName[0] != 'l') ||
        Lower(fileName.substr(7)) != ".srd") {
        return std::nullopt;
    }
    const auto yy = Digits(fileName.substr(1, 2));
    const auto mm = Digits(fileName.substr(3, 2));
    const auto dd = Digits(fileName.substr(5, 2));
    if (!yy || !mm || !dd) {
        return std::nullopt;
    }
    const int year = *yy >= 50 ? 1900 + *yy : 2000 + *yy;
    if (!RealDate(year, *mm, *dd)) {
        return std::nullopt;
    }
    return SolarFluxInstant{year, *mm, *dd, -1};
}

/// Eight values at the RSTN frequencies, into `s`; false when one is no number.
bool EightValues(const std::vector<std::string_view>& w, std::size_t first, StationSpectrum& s) {
    bool bad = false;
    for (std::size_t i = 0; i < kRstnMHz.size(); ++i) {
        if (const auto v = FluxValue(w[first + i], bad)) {
            s.Points.push_back({kRstnMHz[i], *v});
        }
    }
    return !bad;
}

SolarFluxFileRead ReadLearmonth(const std::vector<std::string_view>& lines,
                                std::string_view fileName) {
    Reading r(SolarFluxLayout::LearmonthDay);
    const auto date = LearmonthDate(fileName);
    if (!date) {
        r.Result.Refused = "A Learmonth day file carries its date in its name, LyyMMdd.SRD; "
                           "keep the name it was published under.";
        return r.Result;
    }
    for (std::size_t n = 0; n < lines.size(); ++n) {
        if (Blank(lines[n])) {
            continue;
        }
        const auto w = Words(lines[n]);
        const auto t = w.empty() ? std::nullopt : MinuteOfDay(w[0]);
        StationSpectrum s{"Learmonth", *date, {}};
        if (w.size() != 9 || w[0].size() != 6 || !t || !EightValues(w, 1, s)) {
            r.Bad(n + 1);
            continue;
        }
        s.When.MinuteOfDay = *t;
        if (!s.Points.empty()) {
            r.Result.Spectra.push_back(std::move(s));
        }
    }
    return r.Finish();
}

SolarFluxFileRead ReadNcei(const std::vector<std::string_view>& lines) {
    Reading r(SolarFluxLayout::NceiYearly);
    for (std::size_t n = 0; n < lines.size(); ++n) {
        if (Blank(lines[n])) {
            continue;
        }
        const auto w = Words(lines[n]);
        if (w.size() != 10 || w[0].size() != 6 || !Digits(w[0])) {
            r.Bad(n + 1);
            continue;
        }
        const int yy = *Digits(w[0].substr(0, 2));
        const int mm = *Digits(w[0].substr(2, 2));
        const int dd = *Digits(w[0].substr(4, 2));
        const int year = yy >= 50 ? 1900 + yy : 2000 + yy;
        if (!RealDate(year, mm, dd)) {
            r.Bad(n + 1);
            continue;
        }
        const StationNoon* known = KnownStation(w[1]);
        StationSpectrum s{known ? known->Name : Printable(w[1]),
                          {year, mm, dd, known ? known->MinuteOfDay : -1},
                          {}};
        if (!EightValues(w, 2, s)) {
            r.Bad(n + 1);
            continue;
        }
        if (!s.Points.empty()) {
            r.Result.Spectra.push_back(std::move(s));
        }
    }
    return r.Finish();
}

SolarFluxFileRead ReadPenticton(const std::vector<std::string_view>& lines) {
    Reading r(SolarFluxLayout::PentictonTable);
    std::optional<std::size_t> dateCol, timeCol, fluxCol;
    std::size_t columns = 0;
    for (std::size_t n = 0; n < lines.size(); ++n) {
        if (Blank(lines[n])) {
            continue;
        }
        const auto w = Words(lines[n]);
        if (!dateCol) {
            for (std::size_t i = 0; i < w.size(); ++i) {
                const std::string name = Lower(w[i]);
                if (name == "fluxdate") {
                    dateCol = i;
                } else if (name == "fluxtime") {
                    timeCol = i;
                } else if (name == "fluxobsflux") {
                    fluxCol = i;
                }
            }
            if (!dateCol || !timeCol || !fluxCol) {
                r.Result.Refused = "Penticton's flux table lacks the columns fluxdate, fluxtime "
                                   "and fluxobsflux in its first line.";
                return r.Result;
            }
            columns = w.size();
            continue;
        }
        if (w[0].find_first_not_of('-') == std::string_view::npos) {
            continue; // the rule under the header
        }
        if (w.size() != columns || w[*dateCol].size() != 8 || w[*timeCol].size() != 6) {
            r.Bad(n + 1);
            continue;
        }
        const auto ymd = Digits(w[*dateCol]);
        const auto t = MinuteOfDay(w[*timeCol]);
        const int y = ymd ? *ymd / 10000 : 0;
        const int m = ymd ? *ymd / 100 % 100 : 0;
        const int d = ymd ? *ymd % 100 : 0;
        bool bad = false;
        const auto v = FluxValue(w[*fluxCol], bad);
        if (!ymd || !t || !RealDate(y, m, d) || bad) {
            r.Bad(n + 1);
            continue;
        }
        if (v) {
            r.Result.Spectra.push_back({"Penticton", {y, m, d, *t}, {{kPentictonMHz, *v}}});
        }
    }
    return r.Finish();
}

bool LooksLikeNoaa(const std::vector<std::string_view>& lines) {
    for (std::string_view line : lines) {
        if (MonthNameDate(Words(line)) || TrimBlanks(line).rfind(kFluxBlock, 0) == 0) {
            return true;
        }
    }
    return false;
}

bool LooksLike(const std::vector<std::string_view>& lines, std::size_t words,
               std::size_t firstWordSize) {
    for (std::string_view line : lines) {
        if (Blank(line)) {
            continue;
        }
        const auto w = Words(line);
        return w.size() == words && w[0].size() == firstWordSize && Digits(w[0]).has_value();
    }
    return false;
}

} // namespace

double UtcMinutesOf(int year, int month, int day, double minuteOfDay) {
    // Days from the civil date (H. Hinnant's days_from_civil).
    const int y = year - (month <= 2 ? 1 : 0);
    const int era = (y >= 0 ? y : y - 399) / 400;
    const int yoe = y - era * 400;
    const int mp = (month + 9) % 12;
    const int doy = (153 * mp + 2) / 5 + day - 1;
    const int doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    const long days = static_cast<long>(era) * 146097 + doe - 719468;
    return static_cast<double>(days) * 1440.0 + minuteOfDay;
}

const char* LayoutName(SolarFluxLayout layout) {
    switch (layout) {
    case SolarFluxLayout::NoaaNoonList:
        return "NOAA's daily noon flux list";
    case SolarFluxLayout::LearmonthDay:
        return "a Learmonth day file";
    case SolarFluxLayout::NceiYearly:
        return "an NCEI yearly noon flux file";
    case SolarFluxLayout::PentictonTable:
        return "Penticton's flux table";
    }
    return "";
}

SolarFluxFileRead ReadSolarFluxText(std::string_view text, std::string_view fileName) {
    const std::vector<std::string_view> lines = Lines(text);
    for (std::string_view line : lines) {
        if (Blank(line)) {
            continue;
        }
        if (Lower(Words(line)[0]) == "fluxdate") {
            return ReadPenticton(lines);
        }
        break;
    }
    if (LearmonthDate(fileName) || LooksLike(lines, 9, 6)) {
        return ReadLearmonth(lines, fileName);
    }
    if (LooksLikeNoaa(lines)) {
        return ReadNoaaList(lines);
    }
    if (LooksLike(lines, 10, 6)) {
        return ReadNcei(lines);
    }
    SolarFluxFileRead refused;
    refused.Refused = "The file is none of the solar flux files that can be read: NOAA's "
                      "solar_radio_flux.txt, a Learmonth day file LyyMMdd.SRD, an NCEI yearly "
                      "noon flux file or Penticton's fluxtable.txt.";
    return refused;
}

SolarFluxFileRead ReadSolarFluxFile(const std::string& path) {
    SolarFluxFileRead refused;
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        refused.Refused = "The solar flux file cannot be opened.";
        return refused;
    }
    std::string text;
    char buffer[65536];
    while (in.read(buffer, sizeof buffer) || in.gcount() > 0) {
        text.append(buffer, static_cast<std::size_t>(in.gcount()));
        if (text.size() > kLargestFileBytes) {
            refused.Refused = "The solar flux file is larger than 64 MiB: no observatory's is.";
            return refused;
        }
    }
    if (in.bad()) {
        refused.Refused = "The solar flux file cannot be read to its end.";
        return refused;
    }
    const std::size_t slash = path.find_last_of('/');
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    return ReadSolarFluxText(text, name);
}

} // namespace vantrel::measure
