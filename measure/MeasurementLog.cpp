#include "measure/MeasurementLog.h"

#include "measure/NumberText.h"

#include <array>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>

#include <fcntl.h>
#include <unistd.h>

namespace vantrel::measure {

namespace {

constexpr std::size_t kFieldCount = 9;

std::string Quoted(std::string_view text) {
    if (text.find_first_of(",\"\r\n") == std::string_view::npos) {
        return std::string(text);
    }
    std::string q = "\"";
    for (char c : text) {
        // The log is read line by line (a damaged line costs that line
        // alone), so a line break inside a text would cut its record in
        // two, both halves then skipped: it is kept as a blank.
        if (c == '\r' || c == '\n') {
            c = ' ';
        }
        q += c;
        if (c == '"') {
            q += '"';
        }
    }
    q += '"';
    return q;
}

std::string Number(double value) {
    std::array<char, 32> digits{};
    const auto [end, ec] = std::to_chars(digits.data(), digits.data() + digits.size(), value);
    return ec == std::errc{} ? std::string(digits.data(), end) : std::string();
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

/// Writes all of `text`; 0 or the errno of the failure.
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
    return "Cannot write the measurement log " + path + ": " + std::strerror(error);
}

} // namespace

std::string MeasurementLine(const MeasurementRecord& r) {
    std::string line = Quoted(r.Utc);
    for (const std::string& field :
         {Quoted(r.Source), Number(r.ElevationDeg), Number(r.FrequencyMHz), Quoted(r.Antenna),
          Number(r.TsysK), r.SolarFluxSfu ? Number(*r.SolarFluxSfu) : std::string(),
          Number(r.MeasuredYDb), Number(r.GOverTDbPerK)}) {
        line += ',';
        line += field;
    }
    return line;
}

namespace {

/// Creates the log with its header line, whole or not at all: the header is
/// written to a temporary file of its own in the log's folder, which is
/// then linked under the log's name. A log another program made meanwhile
/// is kept. 0 or the errno of the failure.
int CreateLog(const std::string& path) {
    std::string temporary = path + ".XXXXXX";
    const int fd = ::mkstemp(temporary.data());
    if (fd < 0) {
        return errno;
    }
    int error = WriteAll(fd, std::string(kMeasurementLogHeader) + "\n");
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

std::optional<std::string> AppendMeasurement(const std::string& path,
                                             const MeasurementRecord& record) {
    // A new log appears with its header already in it, so no reader ever
    // sees a log without one, however many programs log at once.
    if (::access(path.c_str(), F_OK) != 0) {
        if (const int error = CreateLog(path); error != 0) {
            return Failure(path, error);
        }
    }
    const int fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        return Failure(path, errno);
    }
    int error = WriteAll(fd, MeasurementLine(record) + "\n");
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

MeasurementLog ParseMeasurementLog(std::string_view text) {
    MeasurementLog log;
    std::size_t lineNumber = 0;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
        ++lineNumber;
        if (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
        }
        if (line.empty() || line == kMeasurementLogHeader) {
            continue;
        }
        const std::string where = "line " + std::to_string(lineNumber) + " skipped: ";
        const auto fields = Fields(line);
        if (!fields) {
            log.Skipped.push_back(where + "a quote is not closed");
            continue;
        }
        if (fields->size() != kFieldCount) {
            log.Skipped.push_back(where + std::to_string(kFieldCount) + " fields expected, " +
                                  std::to_string(fields->size()) + " found");
            continue;
        }
        const auto& f = *fields;
        MeasurementRecord r;
        r.Utc = f[0];
        r.Source = f[1];
        r.Antenna = f[4];
        const std::optional<double> numbers[] = {FiniteNumber(f[2]), FiniteNumber(f[3]),
                                                 FiniteNumber(f[5]), FiniteNumber(f[7]),
                                                 FiniteNumber(f[8])};
        bool ok = !r.Utc.empty() && !r.Source.empty();
        for (const auto& n : numbers) {
            ok = ok && n.has_value();
        }
        const std::optional<double> sfu = f[6].empty() ? std::nullopt : FiniteNumber(f[6]);
        if (!ok || (!f[6].empty() && !sfu)) {
            log.Skipped.push_back(where + "a value is missing or not a number");
            continue;
        }
        r.ElevationDeg = *numbers[0];
        r.FrequencyMHz = *numbers[1];
        r.TsysK = *numbers[2];
        r.SolarFluxSfu = sfu;
        r.MeasuredYDb = *numbers[3];
        r.GOverTDbPerK = *numbers[4];
        log.Records.push_back(std::move(r));
    }
    return log;
}

std::optional<std::string> ReadMeasurementLog(const std::string& path, MeasurementLog& log) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        if (::access(path.c_str(), F_OK) != 0) {
            log = {};
            return std::nullopt; // no log yet: nothing measured
        }
        return "Cannot read the measurement log " + path;
    }
    std::ostringstream text;
    text << in.rdbuf();
    log = ParseMeasurementLog(text.str());
    return std::nullopt;
}

} // namespace vantrel::measure
