#include "schedule/ScheduleParser.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <span>
#include <utility>

namespace vantrel::schedule {

namespace {

constexpr double kLongestSeconds = 172800.0;

struct Grammar {
    StepKind Kind;
    std::string_view Usage;
};

constexpr std::array kGrammar{
    Grammar{StepKind::At, "at YYYY-MM-DDTHH:MM[:SS]"},
    Grammar{StepKind::Lst, "lst HH:MM[:SS]"},
    Grammar{StepKind::Wait, "wait SECONDS"},
    Grammar{StepKind::Track, "track SOURCE SECONDS"},
    Grammar{StepKind::Park, "park"},
    Grammar{StepKind::Apply, "apply"},
    Grammar{StepKind::Cal, "cal on|off"},
    Grammar{StepKind::Y, "y SOURCE [pairs=K] [off-beams=N]"},
    Grammar{StepKind::Cross, "cross SOURCE [span=B] [points=N]"},
    Grammar{StepKind::Grid, "grid SOURCE [size=N] [spacing=B]"},
    Grammar{StepKind::Drift, "drift SOURCE [span=B]"},
    Grammar{StepKind::BeamSwitch, "beamswitch SOURCE SECONDS [throw=B]"},
    Grammar{StepKind::Record, "record SECONDS"},
    Grammar{StepKind::Pointing, "pointing SOURCE [SOURCE...]"},
};

std::string Lower(std::string_view s) {
    std::string out(s);
    std::transform(out.begin(), out.end(), out.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return out;
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

/// A refusal of one line: thrown inside the line's reading only.
struct Refusal {
    std::string Reason;
};

std::string SourceList() {
    std::string keys;
    for (const SkySource s : kAllSkySources) {
        keys += (keys.empty() ? "" : ", ") + std::string(SkySourceKey(s));
    }
    return keys;
}

std::optional<double> Number(std::string_view text) {
    double v = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
    if (ec != std::errc() || end != text.data() + text.size() || !std::isfinite(v)) {
        return std::nullopt;
    }
    return v;
}

std::string CommaHint(std::string_view text) {
    return text.find(',') != std::string_view::npos ? " (with a decimal point, not a comma)" : "";
}

double Seconds(std::string_view text, std::string_view what) {
    const std::optional<double> s = Number(text);
    if (!s || *s <= 0 || *s > kLongestSeconds) {
        throw Refusal{"'" + std::string(text) + "' is no " + std::string(what) +
                      ": give seconds above 0 and up to 172800" + CommaHint(text)};
    }
    return *s;
}

SkySource Source(std::string_view text) {
    const std::optional<SkySource> source = SkySourceFromName(text);
    if (!source) {
        throw Refusal{"'" + std::string(text) + "' names no source: give one of " + SourceList()};
    }
    return *source;
}

/// Two or three fields "HH:MM[:SS]" of a clock: hours < `hourLimit`.
std::optional<std::array<int, 3>> ClockFields(std::string_view text, int hourLimit) {
    std::array<int, 3> f{0, 0, 0};
    int n = 0;
    std::size_t i = 0;
    while (n < 3) {
        const std::size_t start = i;
        while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])) != 0) {
            ++i;
        }
        if (i - start != 2) {
            return std::nullopt;
        }
        std::from_chars(text.data() + start, text.data() + i, f[static_cast<std::size_t>(n)]);
        ++n;
        if (i == text.size()) {
            break;
        }
        if (text[i] != ':') {
            return std::nullopt;
        }
        ++i;
    }
    if (n < 2 || i != text.size() || f[0] >= hourLimit || f[1] > 59 || f[2] > 59) {
        return std::nullopt;
    }
    return f;
}

DateTime UtcInstant(std::string_view text) {
    std::string_view t = text;
    if (!t.empty() && (t.back() == 'Z' || t.back() == 'z')) {
        t.remove_suffix(1);
    }
    const auto refuse = [&] {
        return Refusal{"'" + std::string(text) +
                       "' is no UTC date and time: write it as 2026-12-10T18:30 or "
                       "2026-12-10T18:30:15"};
    };
    if (t.size() < 16 || t[4] != '-' || t[7] != '-' || (t[10] != 'T' && t[10] != 't')) {
        throw refuse();
    }
    int year = 0;
    int month = 0;
    int day = 0;
    const auto field = [&](std::size_t at, std::size_t len, int& v) {
        for (std::size_t k = at; k < at + len; ++k) {
            if (std::isdigit(static_cast<unsigned char>(t[k])) == 0) {
                return false;
            }
        }
        std::from_chars(t.data() + at, t.data() + at + len, v);
        return true;
    };
    const std::optional<std::array<int, 3>> clock = ClockFields(t.substr(11), 24);
    if (!field(0, 4, year) || !field(5, 2, month) || !field(8, 2, day) || !clock) {
        throw refuse();
    }
    static constexpr std::array<int, 12> kDays{31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    if (year < 1900 || year > 2199 || month < 1 || month > 12 || day < 1 ||
        day > kDays[static_cast<std::size_t>(month - 1)] || (month == 2 && day == 29 && !leap)) {
        throw Refusal{"'" + std::string(text) + "' is no date of the calendar (years 1900-2199)"};
    }
    return EncodeDateTime(year, month, day, (*clock)[0], (*clock)[1], (*clock)[2]);
}

/// Reads the `name=value` options of a step into `step`; `allowed` names
/// the options its kind takes.
void ReadOptions(std::span<const std::string_view> words, ScheduleStep& step,
                 std::span<const std::string_view> allowed, std::string_view usage) {
    std::vector<std::string> seen;
    for (const std::string_view word : words) {
        const std::size_t eq = word.find('=');
        if (eq == std::string_view::npos) {
            throw Refusal{"'" + std::string(word) +
                          "' is more than the step takes: " + std::string(usage)};
        }
        const std::string name = Lower(word.substr(0, eq));
        const std::string_view value = word.substr(eq + 1);
        if (std::find(allowed.begin(), allowed.end(), name) == allowed.end()) {
            std::string names;
            for (const std::string_view a : allowed) {
                names += (names.empty() ? "" : " and ") + std::string(a) + "=";
            }
            throw Refusal{std::string(StepWord(step.Kind)) +
                          (allowed.empty() ? " takes no options" : " takes " + names) + ", not '" +
                          std::string(word) + "'"};
        }
        if (std::find(seen.begin(), seen.end(), name) != seen.end()) {
            throw Refusal{name + "= is given twice"};
        }
        seen.push_back(name);
        const std::optional<double> v = Number(value);
        const auto whole = [&](int lo, int hi) {
            if (!v || *v != std::floor(*v) || *v < lo || *v > hi) {
                throw Refusal{std::string(word) + ": give a whole number from " +
                              std::to_string(lo) + " to " + std::to_string(hi)};
            }
            return static_cast<int>(*v);
        };
        const auto range = [&](double lo, double hi) {
            if (!v || *v < lo || *v > hi) {
                char text[96];
                std::snprintf(text, sizeof text, ": give beamwidths from %g to %g", lo, hi);
                throw Refusal{std::string(word) + text + CommaHint(value)};
            }
            return *v;
        };
        if (name == "pairs") {
            step.Pairs = whole(1, 100);
        } else if (name == "off-beams") {
            step.OffBeams = range(1, 50);
        } else if (name == "span") {
            step.SpanBeams = range(0.5, 20);
        } else if (name == "points") {
            step.Points = whole(6, 201);
        } else if (name == "size") {
            step.Size = whole(3, 15);
        } else if (name == "spacing") {
            step.SpacingBeams = range(0.1, 2);
        } else if (name == "throw") {
            step.ThrowBeams = range(0.5, 20);
        }
    }
}

ScheduleStep ReadLine(int lineNumber, std::span<const std::string_view> words) {
    const std::string word = Lower(words.front());
    const auto grammar = std::find_if(kGrammar.begin(), kGrammar.end(),
                                      [&](const Grammar& g) { return StepWord(g.Kind) == word; });
    if (grammar == kGrammar.end()) {
        std::string steps;
        for (const Grammar& g : kGrammar) {
            steps += (steps.empty() ? "" : ", ") + std::string(StepWord(g.Kind));
        }
        throw Refusal{"'" + std::string(words.front()) + "' is not a step; the steps are " + steps};
    }
    ScheduleStep step;
    step.Line = lineNumber;
    step.Kind = grammar->Kind;
    for (const std::string_view w : words) {
        step.Text += (step.Text.empty() ? "" : " ") + std::string(w);
    }
    const std::span<const std::string_view> args = words.subspan(1);
    const std::string_view usage = grammar->Usage;
    const auto need = [&](std::size_t n) {
        if (args.size() < n) {
            throw Refusal{std::string(StepWord(step.Kind)) + " needs more: " + std::string(usage)};
        }
    };
    const auto atMost = [&](std::size_t n) {
        if (args.size() > n) {
            throw Refusal{"'" + std::string(args[n]) +
                          "' is more than the step takes: " + std::string(usage)};
        }
    };
    switch (step.Kind) {
    case StepKind::At:
        need(1);
        atMost(1);
        step.Utc = UtcInstant(args[0]);
        break;
    case StepKind::Lst: {
        need(1);
        atMost(1);
        const std::optional<std::array<int, 3>> clock = ClockFields(args[0], 24);
        if (!clock) {
            throw Refusal{"'" + std::string(args[0]) +
                          "' is no sidereal time: write it as 05:30 or 05:30:15 (hours below 24)"};
        }
        step.LstHours = (*clock)[0] + (*clock)[1] / 60.0 + (*clock)[2] / 3600.0;
        break;
    }
    case StepKind::Wait:
    case StepKind::Record:
        need(1);
        atMost(1);
        step.Seconds = Seconds(args[0], "duration");
        break;
    case StepKind::Track:
        need(2);
        atMost(2);
        step.Sources.push_back(Source(args[0]));
        step.Seconds = Seconds(args[1], "duration");
        break;
    case StepKind::Park:
    case StepKind::Apply:
        atMost(0);
        break;
    case StepKind::Cal: {
        need(1);
        atMost(1);
        const std::string v = Lower(args[0]);
        if (v != "on" && v != "off") {
            throw Refusal{"cal takes on or off, not '" + std::string(args[0]) + "'"};
        }
        step.CalOn = v == "on";
        break;
    }
    case StepKind::Y: {
        need(1);
        step.Sources.push_back(Source(args[0]));
        static constexpr std::array<std::string_view, 2> kOptions{"pairs", "off-beams"};
        ReadOptions(args.subspan(1), step, kOptions, usage);
        break;
    }
    case StepKind::Cross: {
        need(1);
        step.Sources.push_back(Source(args[0]));
        static constexpr std::array<std::string_view, 2> kOptions{"span", "points"};
        ReadOptions(args.subspan(1), step, kOptions, usage);
        break;
    }
    case StepKind::Grid: {
        need(1);
        step.Sources.push_back(Source(args[0]));
        static constexpr std::array<std::string_view, 2> kOptions{"size", "spacing"};
        ReadOptions(args.subspan(1), step, kOptions, usage);
        break;
    }
    case StepKind::Drift: {
        need(1);
        step.Sources.push_back(Source(args[0]));
        static constexpr std::array<std::string_view, 1> kOptions{"span"};
        ReadOptions(args.subspan(1), step, kOptions, usage);
        break;
    }
    case StepKind::BeamSwitch: {
        need(2);
        step.Sources.push_back(Source(args[0]));
        step.Seconds = Seconds(args[1], "duration");
        static constexpr std::array<std::string_view, 1> kOptions{"throw"};
        ReadOptions(args.subspan(2), step, kOptions, usage);
        break;
    }
    case StepKind::Pointing:
        need(1);
        for (const std::string_view a : args) {
            step.Sources.push_back(Source(a));
        }
        break;
    }
    return step;
}

} // namespace

std::string_view StepUsage(StepKind kind) {
    for (const Grammar& g : kGrammar) {
        if (g.Kind == kind) {
            return g.Usage;
        }
    }
    return {};
}

ScheduleParse ParseSchedule(std::string_view text) {
    ScheduleParse parse;
    int lineNumber = 0;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view{} : text.substr(end + 1);
        ++lineNumber;
        if (lineNumber == 1 && line.starts_with("\xEF\xBB\xBF")) {
            line.remove_prefix(3); // a byte-order mark an editor left
        }
        if (const std::size_t hash = line.find('#'); hash != std::string_view::npos) {
            line = line.substr(0, hash);
        }
        if (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
        }
        const std::vector<std::string_view> words = Words(line);
        if (words.empty()) {
            continue;
        }
        try {
            parse.Steps.push_back(ReadLine(lineNumber, words));
        } catch (const Refusal& r) {
            parse.Errors.push_back({lineNumber, r.Reason});
        }
    }
    if (parse.Steps.empty() && parse.Errors.empty()) {
        parse.Errors.push_back({0, "the schedule has no step"});
    }
    return parse;
}

} // namespace vantrel::schedule
