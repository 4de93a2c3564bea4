#include "scan/ScanLog.h"

#include "measure/NumberText.h"

#include <array>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vantrel::scan {

namespace {

constexpr std::size_t kFieldCount = 16;
constexpr std::size_t kStatusField = 15;
constexpr double kThousandths = 1000.0;
constexpr double kHundredths = 100.0;

std::string Quoted(std::string_view text) {
    if (text.find_first_of(",\"\r\n") == std::string_view::npos) {
        return std::string(text);
    }
    std::string q = "\"";
    for (char c : text) {
        if (c == '\r' || c == '\n') {
            c = ' '; // one record, one line
        }
        q += c;
        if (c == '"') {
            q += '"';
        }
    }
    return q + '"';
}

std::string Number(const std::optional<double>& value, double steps) {
    if (!value || !std::isfinite(*value)) {
        return {};
    }
    const double rounded = std::round(*value * steps) / steps;
    std::array<char, 32> digits{};
    const auto [end, ec] = std::to_chars(digits.data(), digits.data() + digits.size(),
                                         rounded == 0 ? 0.0 : rounded);
    return ec == std::errc{} ? std::string(digits.data(), end) : std::string();
}

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
    return "Cannot write the scans log " + path + ": " + std::strerror(error);
}

/// Creates the log with its header, whole or not at all; a log another
/// program made meanwhile is kept. 0 or the errno of the failure.
int CreateLog(const std::string& path) {
    std::string temporary = path + ".XXXXXX";
    const int fd = ::mkstemp(temporary.data());
    if (fd < 0) {
        return errno;
    }
    int error = WriteAll(fd, std::string(kScanLogHeader) + "\n");
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

std::string_view NextLine(std::string_view& text) {
    const std::size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
    if (!line.empty() && line.back() == '\r') {
        line.remove_suffix(1);
    }
    return line;
}

} // namespace

std::string ScanLogTime(DateTime utc) {
    const DecodedInstant d = DecodeInstant(utc);
    char text[64];
    std::snprintf(text, sizeof text, "%04u-%02u-%02uT%02u:%02u:%02uZ", d.Year, d.Month, d.Day,
                  d.Hour, d.Minute, d.Second);
    return text;
}

ScanRecord RecordOf(const CrossScanResult& result, DateTime utc, const std::string& title,
                    double frequencyMHz) {
    ScanRecord r;
    r.Utc = ScanLogTime(utc);
    r.Procedure = "cross";
    r.Source = title;
    if (frequencyMHz > 0) {
        r.FrequencyMHz = frequencyMHz;
    }
    r.ElevationDeg = result.ElevationDeg;
    r.AzOffsetDeg = result.OffsetDeg(0);
    r.AzOffsetSigmaDeg = result.OffsetSigmaDeg(0);
    r.ElOffsetDeg = result.OffsetDeg(1);
    r.ElOffsetSigmaDeg = result.OffsetSigmaDeg(1);
    if (result.Axes[0].Fit) {
        r.HpbwAzDeg = result.Axes[0].BeamwidthDeg;
        r.FitChi2Az = result.Axes[0].Fit->ReducedChiSquare;
    }
    if (result.Axes[1].Fit) {
        r.HpbwElDeg = result.Axes[1].BeamwidthDeg;
        r.FitChi2El = result.Axes[1].Fit->ReducedChiSquare;
    }
    r.PeakYDb = result.PeakYDb();
    r.Partial = result.Partial;
    return r;
}

ScanRecord RecordOf(const DriftScanResult& result, DateTime utc, const std::string& title,
                    double frequencyMHz) {
    ScanRecord r;
    r.Utc = ScanLogTime(utc);
    r.Procedure = "drift";
    r.Source = title;
    if (frequencyMHz > 0) {
        r.FrequencyMHz = frequencyMHz;
    }
    r.ElevationDeg = result.ElevationDeg;
    r.AzOffsetDeg = result.AzimuthOffsetDeg;
    r.AzOffsetSigmaDeg = result.AzimuthOffsetSigmaDeg;
    r.HpbwAzDeg = result.BeamwidthDeg;
    r.PeakYDb = result.PeakYDb;
    if (result.Fit) {
        r.FitChi2Az = result.Fit->ReducedChiSquare;
    }
    if (result.PeakUtc) {
        const DecodedInstant d = DecodeInstant(*result.PeakUtc);
        char text[64];
        std::snprintf(text, sizeof text, "%04u-%02u-%02uT%02u:%02u:%02u.%01uZ", d.Year, d.Month,
                      d.Day, d.Hour, d.Minute, d.Second, d.Millisecond / 100);
        r.PeakTimeUtc = text;
    }
    r.Partial = result.Partial;
    return r;
}

std::string ScanLogLine(const ScanRecord& r) {
    std::string line = Quoted(r.Utc);
    for (const std::string& field :
         {Quoted(r.Procedure), Quoted(r.Source), Number(r.FrequencyMHz, kThousandths),
          Number(r.ElevationDeg, kHundredths), Number(r.AzOffsetDeg, kThousandths),
          Number(r.AzOffsetSigmaDeg, kThousandths), Number(r.ElOffsetDeg, kThousandths),
          Number(r.ElOffsetSigmaDeg, kThousandths), Number(r.HpbwAzDeg, kThousandths),
          Number(r.HpbwElDeg, kThousandths), Number(r.PeakYDb, kThousandths),
          Number(r.FitChi2Az, kHundredths), Number(r.FitChi2El, kHundredths),
          Quoted(r.PeakTimeUtc), r.Partial ? std::string(kPartialStatus) : std::string()}) {
        line += ',';
        line += field;
    }
    return line;
}

std::optional<std::string> AppendScanRecord(const std::string& path, const ScanRecord& record) {
    if (::access(path.c_str(), F_OK) != 0) {
        if (const int error = CreateLog(path); error != 0) {
            return Failure(path, error);
        }
    }
    const int fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        return Failure(path, errno);
    }
    int error = 0;
    int locked = 0;
    do {
        locked = ::flock(fd, LOCK_EX);
    } while (locked != 0 && errno == EINTR);
    if (locked != 0 && errno != ENOLCK) {
        error = errno;
    }
    std::string text;
    struct stat st {};
    if (error == 0 && ::fstat(fd, &st) != 0) {
        error = errno;
    }
    if (error == 0) {
        if (st.st_size == 0) {
            text = std::string(kScanLogHeader) + "\n";
        } else {
            // Read through a descriptor of its own: this one only appends.
            const int reader = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY);
            char last = '\n';
            if (reader < 0 || ::pread(reader, &last, 1, st.st_size - 1) != 1) {
                error = errno != 0 ? errno : EIO;
            } else if (last != '\n') {
                text = "\n"; // the last line ends here, not in the record
            }
            if (reader >= 0) {
                ::close(reader);
            }
        }
    }
    if (error == 0) {
        text += ScanLogLine(record);
        text += '\n';
        error = WriteAll(fd, text);
    }
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

ScanLog ParseScanLog(std::string_view text) {
    ScanLog log;
    std::size_t lineNumber = 0;
    while (!text.empty()) {
        const std::string_view line = NextLine(text);
        ++lineNumber;
        if (line.empty() || line.starts_with("utc,procedure,")) {
            continue;
        }
        const auto skip = [&](const std::string& why) {
            log.Skipped.push_back("line " + std::to_string(lineNumber) + " skipped: " + why);
        };
        const auto fields = Fields(line);
        if (!fields) {
            skip("a quote is not closed");
            continue;
        }
        const auto& f = *fields;
        if (f.size() < kFieldCount) {
            skip("at least " + std::to_string(kFieldCount) + " fields expected, " +
                 std::to_string(f.size()) + " found");
            continue;
        }
        ScanRecord r;
        r.Utc = f[0];
        r.Procedure = f[1];
        r.Source = f[2];
        r.PeakTimeUtc = f[14];
        bool ok = !r.Utc.empty() && !r.Source.empty() && !r.Procedure.empty();
        std::optional<double>* numbers[] = {
            &r.FrequencyMHz, &r.ElevationDeg, &r.AzOffsetDeg, &r.AzOffsetSigmaDeg,
            &r.ElOffsetDeg,  &r.ElOffsetSigmaDeg, &r.HpbwAzDeg,  &r.HpbwElDeg,
            &r.PeakYDb,      &r.FitChi2Az,        &r.FitChi2El};
        for (std::size_t i = 0; i < std::size(numbers) && ok; ++i) {
            const std::string& field = f[3 + i];
            if (field.empty()) {
                continue;
            }
            *numbers[i] = measure::FiniteNumber(field);
            ok = numbers[i]->has_value();
        }
        if (!ok) {
            skip("a value is missing or not a number");
            continue;
        }
        r.Partial = measure::TrimBlanks(f[kStatusField]) == kPartialStatus;
        log.Records.push_back(std::move(r));
    }
    return log;
}

std::optional<std::string> ReadScanLog(const std::string& path, ScanLog& log) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        if (::access(path.c_str(), F_OK) != 0) {
            log = {};
            return std::nullopt;
        }
        return "Cannot read the scans log " + path;
    }
    std::ostringstream text;
    text << in.rdbuf();
    log = ParseScanLog(text.str());
    return std::nullopt;
}

} // namespace vantrel::scan
