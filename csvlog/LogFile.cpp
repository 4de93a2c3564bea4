#include "csvlog/LogFile.h"

#include <array>
#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vantrel {

namespace {

/// Tries at taking the lock of a log that another program keeps replacing
/// (each rewrite replaces it once).
constexpr int kLockTries = 100;
/// A new log: readable by all, written by its owner (the data folder itself
/// may keep others out).
constexpr mode_t kNewLogMode = S_IRUSR | S_IWUSR | S_IRGRP | S_IROTH;

std::string Failure(std::string_view logName, const std::string& path, int error) {
    return "Cannot write the " + std::string(logName) + " " + path + ": " + std::strerror(error);
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

/// Syncs and closes `fd` after a write: 0 or the errno of the first failure.
int FinishWrite(int fd, int error) {
    if (error == 0 && ::fsync(fd) != 0) {
        error = errno;
    }
    if (::close(fd) != 0 && error == 0) {
        error = errno;
    }
    return error;
}

/// Writes `text` to a new file beside `path` with `mode`, synced; its name
/// in `temporary`. 0 or the errno of the failure (the file is then gone).
int WriteBeside(const std::string& path, std::string_view text, mode_t mode,
                std::string& temporary) {
    temporary = path + ".XXXXXX";
    const int fd = ::mkstemp(temporary.data());
    if (fd < 0) {
        return errno;
    }
    int error = ::fchmod(fd, mode) != 0 ? errno : 0;
    if (error == 0) {
        error = WriteAll(fd, text);
    }
    error = FinishWrite(fd, error);
    if (error != 0) {
        ::unlink(temporary.c_str());
    }
    return error;
}

/// Creates the log with its header line, whole or not at all. 0 or the
/// errno of the failure.
int CreateLog(const std::string& path, std::string_view header) {
    std::string temporary;
    int error = WriteBeside(path, std::string(header) + "\n", kNewLogMode, temporary);
    if (error != 0) {
        return error;
    }
    if (::link(temporary.c_str(), path.c_str()) != 0 && errno != EEXIST) {
        error = errno;
    }
    ::unlink(temporary.c_str());
    return error;
}

/// The log at `path` opened for reading and writing and locked against
/// every program that appends to it or rewrites it: -1 and `error` set when
/// it cannot be. A log that was replaced while the lock was awaited is
/// opened again, so the lock is always that of the file the name stands
/// for. The lock ends when the descriptor is closed.
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

std::optional<std::string> AppendLogLine(const std::string& path, std::string_view header,
                                         std::string_view line, std::string_view logName) {
    if (::access(path.c_str(), F_OK) != 0) {
        if (const int error = CreateLog(path, header); error != 0) {
            return Failure(logName, path, error);
        }
    }
    int error = 0;
    const int fd = OpenLocked(path, O_APPEND, error);
    if (fd < 0) {
        return Failure(logName, path, error);
    }
    std::string text;
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        error = errno;
    } else if (st.st_size == 0) {
        text = std::string(header) + "\n";
    } else {
        char last = '\n';
        if (::pread(fd, &last, 1, st.st_size - 1) != 1) {
            error = errno != 0 ? errno : EIO;
        } else if (last != '\n') {
            text = "\n"; // the file's last line ends here, not in the record
        }
    }
    if (error == 0) {
        text += line;
        text += '\n';
        error = WriteAll(fd, text);
    }
    if (const int closed = FinishWrite(fd, error); closed != 0) {
        return Failure(logName, path, closed);
    }
    return std::nullopt;
}

std::optional<std::string> ReadLogText(const std::string& path, std::string& text,
                                       std::string_view logName) {
    text.clear();
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        if (errno == ENOENT) {
            return std::nullopt; // no log yet: nothing logged
        }
        return "Cannot read the " + std::string(logName) + " " + path;
    }
    const bool read = ReadAll(fd, text);
    ::close(fd);
    if (!read) {
        text.clear();
        return "Cannot read the " + std::string(logName) + " " + path;
    }
    return std::nullopt;
}

std::optional<std::string> RewriteLog(
    const std::string& path, std::string_view logName,
    const std::function<std::optional<std::string>(const std::string& text, std::string& updated)>&
        edit) {
    int error = 0;
    const int fd = OpenLocked(path, 0, error);
    if (fd < 0) {
        return Failure(logName, path, error);
    }
    // The lock holds until the new log has taken the name.
    struct Closer {
        int Fd;
        ~Closer() { ::close(Fd); }
    } closer{fd};
    std::string text;
    struct stat st {};
    if (!ReadAll(fd, text) || ::fstat(fd, &st) != 0) {
        return "Cannot read the " + std::string(logName) + " " + path;
    }
    std::string updated;
    if (auto refused = edit(text, updated)) {
        return refused;
    }
    if (updated == text) {
        return std::nullopt; // already so
    }
    std::string temporary;
    error = WriteBeside(path, updated, st.st_mode & 07777, temporary);
    if (error == 0 && ::rename(temporary.c_str(), path.c_str()) != 0) {
        error = errno;
        ::unlink(temporary.c_str());
    }
    if (error != 0) {
        return Failure(logName, path, error);
    }
    return std::nullopt;
}

} // namespace vantrel
