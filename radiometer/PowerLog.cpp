#include "radiometer/PowerLog.h"

#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vantrel {

namespace {

constexpr std::size_t kFieldCount = 13;

std::string Quoted(std::string_view text) {
    if (text.find_first_of(",\"\r\n") == std::string_view::npos) {
        return std::string(text);
    }
    std::string q = "\"";
    for (char c : text) {
        // Lines are read one by one: a line break inside a text would cut
        // its record in two, so it is kept as a blank.
        if (c == '\r' || c == '\n') {
            c = ' ';
        }
        q += c;
        if (c == '"') {
            q += '"';
        }
    }
    return q + '"';
}

std::string Fixed(std::optional<double> value, int decimals) {
    if (!value || !std::isfinite(*value)) {
        return {};
    }
    // Room for the largest double in fixed notation (309 digits).
    char text[400];
    std::snprintf(text, sizeof text, "%.*f", decimals, *value);
    // "-0.000" reads back as 0 and is written as "0.000" then: the same now.
    if (std::strtod(text, nullptr) == 0) {
        std::snprintf(text, sizeof text, "%.*f", decimals, 0.0);
    }
    return text;
}

/// The fields of one line; nothing for an unterminated quote.
std::optional<std::vector<std::string>> Fields(std::string_view line) {
    std::vector<std::string> fields(1);
    bool quoted = false;
    for (std::size_t i = 0; i < line.size(); ++i) {
        const char c = line[i];
        if (quoted) {
            if (c == '"' && i + 1 < line.size() && line[i + 1] == '"') {
                fields.back() += '"';
                ++i;
            } else if (c == '"') {
                quoted = false;
            } else {
                fields.back() += c;
            }
        } else if (c == '"' && fields.back().empty()) {
            quoted = true;
        } else if (c == ',') {
            fields.emplace_back();
        } else {
            fields.back() += c;
        }
    }
    if (quoted) {
        return std::nullopt;
    }
    return fields;
}

std::optional<double> Real(std::string_view text) {
    double v = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
    if (text.empty() || ec != std::errc{} || end != text.data() + text.size() ||
        !std::isfinite(v)) {
        return std::nullopt;
    }
    return v;
}

std::optional<std::uint64_t> Whole(std::string_view text) {
    std::uint64_t v = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
    if (text.empty() || ec != std::errc{} || end != text.data() + text.size()) {
        return std::nullopt;
    }
    return v;
}

/// An empty field is "unknown"; anything else must be a number.
bool Optional(std::string_view text, std::optional<double>& into) {
    if (text.empty()) {
        into.reset();
        return true;
    }
    into = Real(text);
    return into.has_value();
}

std::optional<PowerMark> MarkOf(std::string_view text) {
    for (PowerMark m : {PowerMark::None, PowerMark::On, PowerMark::Off, PowerMark::Reference}) {
        if (PowerMarkText(m) == text) {
            return m;
        }
    }
    return std::nullopt;
}

int WriteAll(int fd, std::string_view text) {
    while (!text.empty()) {
        const ssize_t n = ::write(fd, text.data(), text.size());
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return n < 0 ? errno : ENOSPC;
        }
        text.remove_prefix(static_cast<std::size_t>(n));
    }
    return 0;
}

std::string Failure(const std::string& path, int error) {
    return "Cannot write the power log " + path + ": " + std::strerror(error);
}

/// Creates the log with its header line, whole or not at all: written to a
/// temporary file in the log's folder, then linked under the log's name. A
/// log another program made meanwhile is kept. 0 or the errno of the failure.
int CreateLog(const std::string& path) {
    std::string temporary = path + ".XXXXXX";
    const int fd = ::mkstemp(temporary.data());
    if (fd < 0) {
        return errno;
    }
    int error = ::fchmod(fd, S_IRUSR | S_IWUSR | S_IRGRP | S_IROTH) == 0 ? 0 : errno;
    if (error == 0) {
        error = WriteAll(fd, std::string(kPowerLogHeader) + "\n");
    }
    if (error == 0 && ::fsync(fd) != 0) {
        error = errno;
    }
    if (::close(fd) != 0 && error == 0) {
        error = errno;
    }
    if (error == 0 && ::link(temporary.c_str(), path.c_str()) != 0 && errno != EEXIST) {
        error = errno;
    }
    ::unlink(temporary.c_str());
    return error;
}

} // namespace

std::string_view PowerMarkText(PowerMark mark) {
    switch (mark) {
    case PowerMark::None:
        return "";
    case PowerMark::On:
        return "on";
    case PowerMark::Off:
        return "off";
    case PowerMark::Reference:
        return "reference";
    }
    return "";
}

std::string PowerLogTime(DateTime utc) {
    const DecodedInstant d = DecodeInstant(utc);
    char text[64];
    std::snprintf(text, sizeof text, "%04u-%02u-%02uT%02u:%02u:%02u.%03uZ", d.Year, d.Month, d.Day,
                  d.Hour, d.Minute, d.Second, d.Millisecond);
    return text;
}

PowerRecord PowerRecordOf(const PowerBlock& block, std::string_view input, double frequencyMHz,
                          PowerMark mark) {
    PowerRecord r;
    r.UtcStart = PowerLogTime(block.UtcStart);
    r.UtcEnd = PowerLogTime(block.UtcEnd);
    r.Input = std::string(input);
    if (frequencyMHz > 0) {
        r.FrequencyMHz = frequencyMHz;
    }
    r.PowerDb = block.PowerDb;
    if (std::isfinite(block.SigmaDb)) {
        r.SigmaDb = block.SigmaDb;
    }
    r.Samples = block.Samples;
    r.Clipped = block.Clipped;
    r.RfiDropped = block.RfiDroppedShare;
    if (block.Pointing) {
        r.Source = block.Pointing->Source;
        r.AzimuthDeg = block.Pointing->AzimuthDeg;
        r.ElevationDeg = block.Pointing->ElevationDeg;
    }
    r.Mark = mark;
    return r;
}

std::string PowerLogLine(const PowerRecord& r) {
    std::string line = Quoted(r.UtcStart);
    for (const std::string& field :
         {Quoted(r.UtcEnd), Quoted(r.Input), Fixed(r.FrequencyMHz, 6), Fixed(r.PowerDb, 3),
          Fixed(r.SigmaDb, 4), std::to_string(r.Samples), std::to_string(r.Clipped),
          Fixed(r.RfiDropped, 4), Quoted(r.Source), Fixed(r.AzimuthDeg, 2),
          Fixed(r.ElevationDeg, 2), std::string(PowerMarkText(r.Mark))}) {
        line += ',';
        line += field;
    }
    return line;
}

std::optional<std::string> AppendPowerRecord(const std::string& path, const PowerRecord& record) {
    // A new log appears with its header already in it, so no reader ever
    // sees a log without one, however many programs log at once.
    if (::access(path.c_str(), F_OK) != 0) {
        if (const int error = CreateLog(path); error != 0) {
            return Failure(path, error);
        }
    }
    const int fd = ::open(path.c_str(), O_RDWR | O_APPEND | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        return Failure(path, errno);
    }
    // Two programs logging at once take turns: the look at the file's end
    // and the write after it belong together. A file system without locks
    // (ENOLCK) is written all the same.
    int locked = 0;
    do {
        locked = ::flock(fd, LOCK_EX);
    } while (locked != 0 && errno == EINTR);
    if (locked != 0 && errno != ENOLCK) {
        const int error = errno;
        ::close(fd);
        return Failure(path, error);
    }
    std::string text = PowerLogLine(record) + "\n";
    struct stat st {};
    char last = '\n';
    if (::fstat(fd, &st) == 0 && st.st_size == 0) {
        // Emptied (or made empty by another program): the header first.
        text.insert(0, std::string(kPowerLogHeader) + "\n");
    } else if (st.st_size > 0 && ::pread(fd, &last, 1, st.st_size - 1) == 1 && last != '\n') {
        // A last line cut short (a crash, a full disc) would swallow the
        // new one: it gets its line break first, in the same write.
        text.insert(text.begin(), '\n');
    }
    int error = WriteAll(fd, text);
    if (error == 0 && ::fsync(fd) != 0) {
        error = errno;
    }
    if (::close(fd) != 0 && error == 0) {
        error = errno;
    }
    if (error != 0) {
        return Failure(path, error);
    }
    return std::nullopt;
}

PowerLog ParsePowerLog(std::string_view text) {
    PowerLog log;
    std::size_t lineNumber = 0;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
        ++lineNumber;
        if (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
        }
        if (line.empty() || line.starts_with(kPowerLogHeader)) {
            continue;
        }
        const std::string where = "line " + std::to_string(lineNumber) + " skipped: ";
        const auto fields = Fields(line);
        if (!fields) {
            log.Skipped.push_back(where + "a quote is not closed");
            continue;
        }
        if (fields->size() < kFieldCount) {
            log.Skipped.push_back(where + std::to_string(kFieldCount) + " fields expected, " +
                                  std::to_string(fields->size()) + " found");
            continue;
        }
        const auto& f = *fields;
        PowerRecord r;
        r.UtcStart = f[0];
        r.UtcEnd = f[1];
        r.Input = f[2];
        r.Source = f[9];
        const auto power = Real(f[4]);
        const auto samples = Whole(f[6]);
        const auto clipped = Whole(f[7]);
        const auto rfi = Real(f[8]);
        const auto mark = MarkOf(f[12]);
        const bool ok = !r.UtcStart.empty() && !r.UtcEnd.empty() && !r.Input.empty() && power &&
                        samples && clipped && rfi && *rfi >= 0 && *rfi <= 1 && mark &&
                        Optional(f[3], r.FrequencyMHz) && Optional(f[5], r.SigmaDb) &&
                        Optional(f[10], r.AzimuthDeg) && Optional(f[11], r.ElevationDeg);
        if (!ok) {
            log.Skipped.push_back(where + "a value is missing or not a number");
            continue;
        }
        r.PowerDb = *power;
        r.Samples = *samples;
        r.Clipped = *clipped;
        r.RfiDropped = *rfi;
        r.Mark = *mark;
        log.Records.push_back(std::move(r));
    }
    return log;
}

std::optional<std::string> ReadPowerLog(const std::string& path, PowerLog& log) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        if (::access(path.c_str(), F_OK) != 0) {
            log = {};
            return std::nullopt;
        }
        return "Cannot read the power log " + path;
    }
    std::ostringstream text;
    text << in.rdbuf();
    log = ParsePowerLog(text.str());
    return std::nullopt;
}

} // namespace vantrel
