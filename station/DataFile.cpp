#include "station/DataFile.h"

#include "station/Extended80.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstring>
#include <string_view>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vantrel {

namespace {

/// Closes a descriptor on every path out of a scope.
class FileDescriptor {
public:
    explicit FileDescriptor(int fd) : fd_(fd) {}
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    ~FileDescriptor() {
        if (fd_ >= 0) {
            ::close(fd_);
        }
    }
    int Get() const { return fd_; }
    /// Closes now and reports the close's own failure (errno), 0 on success.
    int Close() {
        const int rc = ::close(fd_);
        fd_ = -1;
        return rc == 0 ? 0 : errno;
    }

private:
    int fd_;
};

std::string CurrentDirectory() {
    std::string dir(256, '\0');
    while (::getcwd(dir.data(), dir.size()) == nullptr) {
        if (errno != ERANGE) {
            return ".";
        }
        dir.resize(dir.size() * 2);
    }
    dir.resize(std::strlen(dir.c_str()));
    return dir;
}

void PutExtended(DataFile::RecordBuffer& buffer, std::size_t offset, long double value) {
    const Extended80 bytes = EncodeExtended80(value);
    std::copy(bytes.begin(), bytes.end(), buffer.begin() + static_cast<std::ptrdiff_t>(offset));
}

long double GetExtended(const DataFile::RecordBuffer& buffer, std::size_t offset) {
    Extended80 bytes{};
    std::copy_n(buffer.begin() + static_cast<std::ptrdiff_t>(offset), bytes.size(), bytes.begin());
    return DecodeExtended80(bytes);
}

void PutInt32(DataFile::RecordBuffer& buffer, std::size_t offset, std::int32_t value) {
    const auto bits = static_cast<std::uint32_t>(value);
    for (std::size_t i = 0; i < 4; ++i) {
        buffer[offset + i] = static_cast<std::uint8_t>(bits >> (8 * i));
    }
}

std::int32_t GetInt32(const DataFile::RecordBuffer& buffer, std::size_t offset) {
    std::uint32_t bits = 0;
    for (std::size_t i = 0; i < 4; ++i) {
        bits |= static_cast<std::uint32_t>(buffer[offset + i]) << (8 * i);
    }
    return static_cast<std::int32_t>(bits);
}

void PutText(DataFile::RecordBuffer& buffer, std::size_t offset, std::size_t capacity,
             std::string_view text) {
    const std::size_t length = std::min(text.size(), capacity);
    buffer[offset] = static_cast<std::uint8_t>(length);
    std::copy_n(text.begin(), length, buffer.begin() + static_cast<std::ptrdiff_t>(offset + 1));
}

std::string GetText(const DataFile::RecordBuffer& buffer, std::size_t offset,
                    std::size_t capacity) {
    const std::size_t length = std::min<std::size_t>(buffer[offset], capacity);
    const auto* first = reinterpret_cast<const char*>(buffer.data() + offset + 1);
    return {first, length};
}

/// Writes all of `size` bytes at `offset`; returns 0 or the errno of the failure.
int WriteAllAt(int fd, const std::uint8_t* data, std::size_t size, off_t offset) {
    while (size > 0) {
        const ssize_t n = ::pwrite(fd, data, size, offset);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return errno;
        }
        if (n == 0) {
            return ENOSPC;
        }
        data += n;
        offset += n;
        size -= static_cast<std::size_t>(n);
    }
    return 0;
}

/// The folder part of a path that holds at least one '/'.
std::string FolderOf(const std::string& path) {
    const auto slash = path.rfind('/');
    return slash == 0 ? std::string("/") : path.substr(0, slash);
}

/// Links followed before giving up with ELOOP, as the kernel does (Linux
/// follows at most 40 links in one path lookup).
constexpr int kMaxLinkHops = 40;

/// The file a path finally names, following symbolic links one hop at a
/// time; a relative link counts from the folder holding the link. The
/// file at the end need not exist (a dangling link names the file that
/// saving creates). `Error` is ELOOP for a chain too long or circular.
struct ResolvedPath {
    std::string Path;
    int Error = 0;
};

ResolvedPath ResolveLinks(std::string path) {
    for (int hop = 0; hop <= kMaxLinkHops; ++hop) {
        struct stat info {};
        if (::lstat(path.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) {
            // Not a link, or not there: the later steps name any failure.
            return {std::move(path), 0};
        }
        std::string target(static_cast<std::size_t>(info.st_size > 0 ? info.st_size : 255) + 1,
                           '\0');
        const ssize_t n = ::readlink(path.c_str(), target.data(), target.size());
        if (n < 0) {
            return {std::move(path), errno};
        }
        if (static_cast<std::size_t>(n) >= target.size()) {
            // The link changed under us into a longer one: look again.
            continue;
        }
        target.resize(static_cast<std::size_t>(n));
        if (target.empty()) {
            return {std::move(path), ENOENT};
        }
        if (target.front() == '/') {
            path = std::move(target);
        } else {
            path = FolderOf(path).append("/").append(target);
        }
    }
    return {std::move(path), ELOOP};
}

/// Creates a new, empty temporary file beside `target` under a name no other
/// save uses (".<name>.<random>", opened with O_EXCL as mkstemp does), with
/// the permissions 0666 less the umask. Returns the descriptor, or -1 with
/// errno set; `name` receives the temporary file's path.
int CreateTemporary(const std::string& target, std::string& name) {
    static std::atomic<std::uint64_t> counter{0};
    constexpr int kAttempts = 100;
    constexpr std::string_view kDigits = "0123456789abcdefghijklmnopqrstuvwxyz";
    const std::string folder = FolderOf(target);
    const std::string base = target.substr(target.rfind('/') + 1);
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        // Process, time and a per-process counter, mixed (splitmix64) so that
        // two programs started together still pick different names.
        std::uint64_t x = (static_cast<std::uint64_t>(::getpid()) << 32U) ^
                          static_cast<std::uint64_t>(
                              std::chrono::steady_clock::now().time_since_epoch().count()) ^
                          (counter.fetch_add(1) * 0x9E3779B97F4A7C15ULL);
        x = (x ^ (x >> 30U)) * 0xBF58476D1CE4E5B9ULL;
        x = (x ^ (x >> 27U)) * 0x94D049BB133111EBULL;
        x ^= x >> 31U;
        std::string suffix;
        for (int i = 0; i < 10; ++i, x /= kDigits.size()) {
            suffix += kDigits[x % kDigits.size()];
        }
        name = folder;
        name.append("/.").append(base).append(".").append(suffix);
        const int fd =
            ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0666);
        if (fd >= 0 || errno != EEXIST) {
            return fd;
        }
    }
    errno = EEXIST;
    return -1;
}

/// Rewrites an existing data file in place as exactly one record: for a
/// folder where no new file can be made. Returns 0 or the errno of the
/// failure. The record goes over the start of the file before the file is
/// cut, so a reader meanwhile still finds a complete last record when the
/// file held several.
int RewriteInPlace(const std::string& target, const DataFile::RecordBuffer& record) {
    // Non-blocking, so that a pipe put in the file's place cannot hang the save.
    FileDescriptor file(::open(target.c_str(), O_WRONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK));
    if (file.Get() < 0) {
        return errno;
    }
    struct stat info {};
    if (::fstat(file.Get(), &info) != 0) {
        return errno;
    }
    if (!S_ISREG(info.st_mode)) {
        return EACCES;
    }
    int error = WriteAllAt(file.Get(), record.data(), record.size(), 0);
    if (error == 0 && ::ftruncate(file.Get(), static_cast<off_t>(record.size())) != 0) {
        error = errno;
    }
    if (error == 0 && ::fsync(file.Get()) != 0) {
        error = errno;
    }
    if (const int closeError = file.Close(); error == 0) {
        error = closeError;
    }
    return error;
}

} // namespace

std::string IoErrorText(int errnoValue) {
    switch (errnoValue) {
    case 0:
        return "Read beyond end of file";
    case ENOENT:
        return "File not found";
    case EACCES:
    case EPERM:
    case EROFS:
        return "File access denied";
    case ENOSPC:
    case EDQUOT:
        return "Disk full";
    default:
        return "I/O error " + std::to_string(errnoValue);
    }
}

DataFile::DataFile(UserMessages& messages, std::string directory, std::string fileName)
    : messages_(messages), directory_(std::move(directory)), fileName_(std::move(fileName)) {}

std::string DataFile::Path() const {
    return (directory_.empty() ? CurrentDirectory() : directory_) + "/" + fileName_;
}

void DataFile::ReportIoError(int errnoValue) {
    messages_.Error(IoErrorText(errnoValue));
}

bool DataFile::Read(HomeStation& station) {
    const std::string path = Path();
    // Reading needs read access only: a write-protected file is still loaded.
    FileDescriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    struct stat info {};
    if (file.Get() < 0 || ::fstat(file.Get(), &info) != 0 || !S_ISREG(info.st_mode)) {
        messages_.Warning(datafile_text::kWarningTitle, datafile_text::kNotFound);
        return false;
    }

    // Records overwrite one another in the buffer, so only the last complete
    // one needs reading; a tail shorter than a record is never read.
    const auto records = static_cast<std::uint64_t>(info.st_size) / kRecordSize;
    if (records > 0) {
        RecordBuffer incoming{};
        const auto offset = static_cast<off_t>((records - 1) * kRecordSize);
        std::size_t got = 0;
        while (got < kRecordSize) {
            const ssize_t n = ::pread(file.Get(), incoming.data() + got, kRecordSize - got,
                                      offset + static_cast<off_t>(got));
            if (n < 0 && errno == EINTR) {
                continue;
            }
            if (n < 0) {
                ReportIoError(errno);
                return false;
            }
            if (n == 0) {
                ReportIoError(0); // the file shrank under us
                return false;
            }
            got += static_cast<std::size_t>(n);
        }
        buffer_ = incoming;
    }
    file.Close();
    CopyBuffer(station);
    return true;
}

bool DataFile::Write(const HomeStation& station) {
    // A data file kept elsewhere through a symbolic link is saved where it
    // lives, and the link stays a link.
    const ResolvedPath resolved = ResolveLinks(Path());
    if (resolved.Error != 0) {
        ReportIoError(resolved.Error);
        return false;
    }
    const std::string& target = resolved.Path;

    struct stat old {};
    const bool exists = ::stat(target.c_str(), &old) == 0;
    if (exists && (S_ISDIR(old.st_mode) || (old.st_mode & 0222) == 0 ||
                   ::access(target.c_str(), W_OK) != 0)) {
        // A write-protected data file is the user's to keep, even for root.
        ReportIoError(S_ISDIR(old.st_mode) ? EISDIR : EACCES);
        return false;
    }
    // The buffer takes the new record only once it is in the file.
    RecordBuffer record = buffer_;
    FillBuffer(station, record);

    // Each save writes its own temporary file, so saves of two programs in
    // one folder never write into each other's file; the rename replaces
    // the data file with a complete record in one step.
    std::string temporary;
    FileDescriptor file(CreateTemporary(target, temporary));
    if (file.Get() < 0) {
        const int createError = errno;
        if (!exists || !S_ISREG(old.st_mode)) {
            ReportIoError(createError);
            return false;
        }
        // No new file can be made beside it (a folder without write access):
        // the file itself may still be writable, as the user expects.
        if (const int error = RewriteInPlace(target, record); error != 0) {
            ReportIoError(error);
            return false;
        }
        buffer_ = record;
        messages_.Information(datafile_text::kInformationTitle, datafile_text::kUpdated);
        return true;
    }
    int error = WriteAllAt(file.Get(), record.data(), record.size(), 0);
    if (error == 0 && exists) {
        ::fchmod(file.Get(), old.st_mode & 07777); // keep the permissions the user gave it
    }
    if (error == 0 && ::fsync(file.Get()) != 0) {
        error = errno;
    }
    if (const int closeError = file.Close(); error == 0) {
        error = closeError;
    }
    if (error == 0 && ::rename(temporary.c_str(), target.c_str()) != 0) {
        error = errno;
    }
    if (error != 0) {
        ::unlink(temporary.c_str());
        ReportIoError(error);
        return false;
    }
    buffer_ = record;
    // Make the rename itself durable; a failure here leaves a correct file.
    if (const int dirFd = ::open(FolderOf(target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        dirFd >= 0) {
        ::fsync(dirFd);
        ::close(dirFd);
    }
    messages_.Information(datafile_text::kInformationTitle, datafile_text::kUpdated);
    return true;
}

void DataFile::FillBuffer(const HomeStation& station, RecordBuffer& record) {
    PutExtended(record, record::kLatitude, station.Latitude);
    PutExtended(record, record::kLongitude, station.Longitude);
    PutExtended(record, record::kHeightAsl, station.HeightAsl);
    PutExtended(record, record::kUtcOffset, station.UtcOffset);
    PutExtended(record, record::kUserSourceRa, station.UserSourceRa);
    PutExtended(record, record::kUserSourceDec, station.UserSourceDec);
    PutText(record, record::kLocation, kLocationCapacity, station.Location);
    PutText(record, record::kUserSourceName, kUserSourceNameCapacity, station.UserSourceName);
    PutText(record, record::kCallSign, kCallSignCapacity, station.CallSign);
    PutInt32(record, record::kCalcInterval, station.CalcInterval);
    PutInt32(record, record::kHintOption, station.HintOption);
    PutInt32(record, record::kSourceOption, station.SourceOption);
    record[record::kDisplayMode] = station.DisplayMode;
}

void DataFile::CopyBuffer(HomeStation& station) const {
    station.Latitude = GetExtended(buffer_, record::kLatitude);
    station.Longitude = GetExtended(buffer_, record::kLongitude);
    station.HeightAsl = GetExtended(buffer_, record::kHeightAsl);
    station.UtcOffset = GetExtended(buffer_, record::kUtcOffset);
    station.UserSourceRa = GetExtended(buffer_, record::kUserSourceRa);
    station.UserSourceDec = GetExtended(buffer_, record::kUserSourceDec);
    station.Location = GetText(buffer_, record::kLocation, kLocationCapacity);
    station.UserSourceName = GetText(buffer_, record::kUserSourceName, kUserSourceNameCapacity);
    station.CallSign = GetText(buffer_, record::kCallSign, kCallSignCapacity);
    station.CalcInterval = GetInt32(buffer_, record::kCalcInterval);
    station.HintOption = GetInt32(buffer_, record::kHintOption);
    station.SourceOption = GetInt32(buffer_, record::kSourceOption);
    station.DisplayMode = buffer_[record::kDisplayMode];
}

} // namespace vantrel
