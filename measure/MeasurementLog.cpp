#include "measure/MeasurementLog.h"

#include "measure/NumberText.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vantrel::measure {

namespace {

/// Columns of a record in the first logs; the status follows them.
constexpr std::size_t kFieldCount = 9;
constexpr std::size_t kStatusField = 9;
/// Tries at taking the lock of a log that another program keeps replacing
/// (each withdrawal replaces it once).
constexpr int kLockTries = 100;

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

/// Where a field lies in its line: [Begin, End) with its quotes.
struct FieldSpan {
    std::size_t Begin = 0;
    std::size_t End = 0;
};

/// The fields of one line; nothing for an unterminated quote. `spans`, when
/// given, receives where each field lies in the line.
std::optional<std::vector<std::string>> Fields(std::string_view line,
                                               std::vector<FieldSpan>* spans = nullptr) {
    std::vector<std::string> fields(1);
    if (spans != nullptr) {
        spans->assign(1, FieldSpan{});
    }
    bool quoted = false;
    for (std::size_t i = 0; i < line.size(); ++i) {
        const char c = line[i];
        if (!quoted && c == ',' && spans != nullptr) {
            spans->back().End = i;
            spans->push_back({i + 1, i + 1});
        }
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
    if (spans != nullptr) {
        spans->back().End = line.size();
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
          Number(r.MeasuredYDb), Number(r.GOverTDbPerK),
          r.Withdrawn ? std::string(kWithdrawnStatus) : std::string()}) {
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

namespace {

/// The log at `path` opened for reading and writing and locked against
/// every other program that appends to it or rewrites it: -1 and `error`
/// set when it cannot be. A log that was replaced while the lock was
/// awaited is opened again, so the lock is always that of the file the name
/// stands for. The lock ends when the descriptor is closed. A file system
/// without locks (ENOLCK) is used unlocked.
int OpenLocked(const std::string& path, int flags, int& error) {
    for (int attempt = 0; attempt < kLockTries; ++attempt) {
        const int fd = ::open(path.c_str(), flags | O_RDWR | O_CLOEXEC | O_NOCTTY);
        if (fd < 0) {
            error = errno;
            return -1;
        }
        int locked = 0;
        do {
            locked = ::flock(fd, LOCK_EX);
        } while (locked != 0 && errno == EINTR);
        if (locked != 0 && errno != ENOLCK) {
            error = errno;
            ::close(fd);
            return -1;
        }
        struct stat opened {};
        struct stat named {};
        if (::fstat(fd, &opened) == 0 && ::stat(path.c_str(), &named) == 0 &&
            opened.st_dev == named.st_dev && opened.st_ino == named.st_ino) {
            return fd;
        }
        ::close(fd); // replaced meanwhile: the new file's lock is the one
    }
    error = EAGAIN;
    return -1;
}

/// Closes `fd` after a write: 0 or the errno of the first failure.
int FinishWrite(int fd, int error) {
    if (error == 0 && ::fsync(fd) != 0) {
        error = errno;
    }
    if (::close(fd) != 0 && error == 0) {
        error = errno;
    }
    return error;
}

/// What one line of a log holds.
struct LineReading {
    enum Kind { Blank, Header, Record, Damaged } What = Blank;
    MeasurementRecord Read;
    std::string Problem; ///< for a damaged line
};

LineReading ReadLine(std::string_view line) {
    LineReading out;
    if (line.empty()) {
        return out;
    }
    // Any header, the first logs' and one with more columns than known here;
    // never a record, whose elevation is a number.
    if (line.starts_with("utc,source,elevation_deg,")) {
        out.What = LineReading::Header;
        return out;
    }
    out.What = LineReading::Damaged;
    const auto fields = Fields(line);
    if (!fields) {
        out.Problem = "a quote is not closed";
        return out;
    }
    if (fields->size() < kFieldCount) {
        out.Problem = "at least " + std::to_string(kFieldCount) + " fields expected, " +
                      std::to_string(fields->size()) + " found";
        return out;
    }
    const auto& f = *fields;
    MeasurementRecord& r = out.Read;
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
        out.Problem = "a value is missing or not a number";
        return out;
    }
    r.ElevationDeg = *numbers[0];
    r.FrequencyMHz = *numbers[1];
    r.TsysK = *numbers[2];
    r.SolarFluxSfu = sfu;
    r.MeasuredYDb = *numbers[3];
    r.GOverTDbPerK = *numbers[4];
    // A status this program does not know keeps the record in use.
    if (f.size() > kStatusField) {
        const std::string_view status = TrimBlanks(f[kStatusField]);
        r.Withdrawn =
            status.size() == kWithdrawnStatus.size() &&
            std::equal(status.begin(), status.end(), kWithdrawnStatus.begin(), [](char a, char b) {
                return std::tolower(static_cast<unsigned char>(a)) == b;
            });
    }
    out.What = LineReading::Record;
    return out;
}

/// The next line of `text` without its line break (and a CR before it);
/// `text` moves past it.
std::string_view NextLine(std::string_view& text) {
    const std::size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
    if (!line.empty() && line.back() == '\r') {
        line.remove_suffix(1);
    }
    return line;
}

/// All of the file `fd` from its start; false on a read error.
bool ReadAll(int fd, std::string& text) {
    text.clear();
    std::array<char, 65536> block{};
    off_t at = 0;
    for (;;) {
        const ssize_t n = ::pread(fd, block.data(), block.size(), at);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            return false;
        }
        if (n == 0) {
            return true;
        }
        text.append(block.data(), static_cast<std::size_t>(n));
        at += n;
    }
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
    int error = 0;
    const int fd = OpenLocked(path, O_APPEND, error);
    if (fd < 0) {
        return Failure(path, error);
    }
    std::string text;
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        error = errno;
    } else if (st.st_size == 0) {
        text = std::string(kMeasurementLogHeader) + "\n";
    } else {
        char last = '\n';
        if (::pread(fd, &last, 1, st.st_size - 1) != 1) {
            error = errno != 0 ? errno : EIO;
        } else if (last != '\n') {
            text = "\n"; // the file's last line ends here, not in the record
        }
    }
    if (error == 0) {
        text += MeasurementLine(record);
        text += '\n';
        error = WriteAll(fd, text);
    }
    if (const int closed = FinishWrite(fd, error); closed != 0) {
        return Failure(path, closed);
    }
    return std::nullopt;
}

MeasurementLog ParseMeasurementLog(std::string_view text) {
    MeasurementLog log;
    std::size_t lineNumber = 0;
    while (!text.empty()) {
        const std::string_view line = NextLine(text);
        ++lineNumber;
        LineReading reading = ReadLine(line);
        if (reading.What == LineReading::Damaged) {
            log.Skipped.push_back("line " + std::to_string(lineNumber) +
                                  " skipped: " + reading.Problem);
        } else if (reading.What == LineReading::Record) {
            log.Records.push_back(std::move(reading.Read));
            log.Lines.push_back(lineNumber);
        }
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

std::optional<std::string> SetWithdrawn(const std::string& path, std::size_t line,
                                        const MeasurementRecord& expected, bool withdrawn) {
    int error = 0;
    const int fd = OpenLocked(path, 0, error);
    if (fd < 0) {
        return Failure(path, error);
    }
    // The lock holds until the new log has taken the name.
    struct Closer {
        int Fd;
        ~Closer() { ::close(Fd); }
    } closer{fd};
    std::string text;
    struct stat st {};
    if (!ReadAll(fd, text) || ::fstat(fd, &st) != 0) {
        return "Cannot read the measurement log " + path;
    }

    // The line asked for, as it lies in the text.
    std::string_view rest = text;
    std::size_t begin = 0;
    std::string_view found;
    std::size_t reached = 0;
    while (reached < line && !rest.empty()) {
        begin = text.size() - rest.size();
        found = NextLine(rest);
        ++reached;
    }
    if (reached != line) {
        found = {};
    }
    MeasurementRecord asRead = expected;
    asRead.Withdrawn = false;
    LineReading reading = ReadLine(found);
    reading.Read.Withdrawn = false;
    if (line == 0 || reading.What != LineReading::Record || !(reading.Read == asRead)) {
        return "The measurement log " + path +
               " has changed since it was read; nothing was withdrawn. Read it again.";
    }

    // The status field replaced, or added to a record of the first logs.
    std::vector<FieldSpan> spans;
    Fields(found, &spans);
    std::string changed(found);
    const std::string status = withdrawn ? std::string(kWithdrawnStatus) : std::string();
    if (spans.size() > kStatusField) {
        changed.replace(spans[kStatusField].Begin,
                        spans[kStatusField].End - spans[kStatusField].Begin, status);
    } else {
        changed += ',' + status;
    }
    std::string updated = text.substr(0, begin) + changed + text.substr(begin + found.size());
    if (updated.starts_with(kMeasurementLogHeaderWithoutStatus) &&
        (updated.size() == kMeasurementLogHeaderWithoutStatus.size() ||
         updated[kMeasurementLogHeaderWithoutStatus.size()] == '\n' ||
         updated[kMeasurementLogHeaderWithoutStatus.size()] == '\r')) {
        updated.replace(0, kMeasurementLogHeaderWithoutStatus.size(), kMeasurementLogHeader);
    }
    if (updated == text) {
        return std::nullopt; // already so
    }

    std::string temporary = path + ".XXXXXX";
    const int out = ::mkstemp(temporary.data());
    if (out < 0) {
        return Failure(path, errno);
    }
    error = ::fchmod(out, st.st_mode & 07777) != 0 ? errno : 0;
    if (error == 0) {
        error = WriteAll(out, updated);
    }
    error = FinishWrite(out, error);
    if (error == 0 && ::rename(temporary.c_str(), path.c_str()) != 0) {
        error = errno;
    }
    if (error != 0) {
        ::unlink(temporary.c_str());
        return Failure(path, error);
    }
    return std::nullopt;
}

} // namespace vantrel::measure
