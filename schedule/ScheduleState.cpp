#include "schedule/ScheduleState.h"

#include "csvlog/CsvText.h"

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <unistd.h>

namespace vantrel::schedule {

namespace {

constexpr std::string_view kFirstLine = "# vantrel-observe state";
constexpr std::string_view kFingerprintWord = "schedule ";

std::string Reason(int error) {
    return std::strerror(error);
}

/// Writes all of `text` to `fd`; the errno of a failure, else 0.
int WriteAll(int fd, std::string_view text) {
    while (!text.empty()) {
        const ssize_t n = ::write(fd, text.data(), text.size());
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return errno;
        }
        text.remove_prefix(static_cast<std::size_t>(n));
    }
    return 0;
}

} // namespace

const StepOutcome* ScheduleState::Of(int step) const {
    const StepOutcome* found = nullptr;
    for (const StepOutcome& o : Ended) {
        if (o.Step == step) {
            found = &o; // the last one counts
        }
    }
    return found;
}

std::string StatePath(const std::string& schedulePath) {
    return schedulePath + ".state";
}

std::string ScheduleFingerprint(const ScheduleParse& parse) {
    std::uint64_t h = 14695981039346656037ULL;
    for (const ScheduleStep& step : parse.Steps) {
        for (const char c : step.Text + "\n") {
            h ^= static_cast<unsigned char>(c);
            h *= 1099511628211ULL;
        }
    }
    char text[24];
    std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(h));
    return text;
}

std::optional<std::string> ReadScheduleState(const std::string& path, ScheduleState& state) {
    state = {};
    std::error_code ec;
    if (!std::filesystem::exists(path, ec)) {
        return std::nullopt;
    }
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return "Cannot read the schedule's state " + path + ": " + Reason(errno);
    }
    std::stringstream buffer;
    buffer << in.rdbuf();
    const std::string text = buffer.str();
    std::string_view rest = text;
    if (NextCsvLine(rest) != kFirstLine) {
        return "The file " + path + " is not a schedule's state (its first line is not \"" +
               std::string(kFirstLine) + "\"): move it away or run with --restart";
    }
    const std::string_view fingerprint = NextCsvLine(rest);
    if (!fingerprint.starts_with(kFingerprintWord)) {
        return "The schedule's state " + path + " names no schedule: run with --restart";
    }
    state.Fingerprint = std::string(fingerprint.substr(kFingerprintWord.size()));
    while (!rest.empty()) {
        const std::string_view line = NextCsvLine(rest);
        if (line.empty() || line.starts_with(kOutcomeHeader)) {
            continue;
        }
        if (std::optional<StepOutcome> o = OutcomeFromLine(line)) {
            state.Ended.push_back(std::move(*o));
        }
    }
    return std::nullopt;
}

std::optional<std::string> WriteScheduleState(const std::string& path, const ScheduleState& state) {
    std::string text(kFirstLine);
    text += "\n";
    text += kFingerprintWord;
    text += state.Fingerprint + "\n";
    text += std::string(kOutcomeHeader) + "\n";
    for (const StepOutcome& o : state.Ended) {
        text += OutcomeLine(o) + "\n";
    }
    const std::filesystem::path target(path);
    const std::filesystem::path folder =
        target.has_parent_path() ? target.parent_path() : std::filesystem::path(".");
    std::string temporary = (folder / ("." + target.filename().string() + ".XXXXXX")).string();
    const int fd = ::mkstemp(temporary.data());
    if (fd < 0) {
        return "Cannot write the schedule's state in " + folder.string() + ": " + Reason(errno);
    }
    int error = WriteAll(fd, text);
    if (error == 0 && ::fsync(fd) != 0) {
        error = errno;
    }
    if (::close(fd) != 0 && error == 0) {
        error = errno;
    }
    if (error == 0 && ::rename(temporary.c_str(), path.c_str()) != 0) {
        error = errno;
    }
    if (error != 0) {
        ::unlink(temporary.c_str());
        return "Cannot write the schedule's state " + path + ": " + Reason(error);
    }
    if (const int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY); dir >= 0) {
        ::fsync(dir); // the rename itself survives a power cut
        ::close(dir);
    }
    return std::nullopt;
}

} // namespace vantrel::schedule
