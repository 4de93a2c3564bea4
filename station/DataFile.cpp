#include "station/DataFile.h"

#include "station/Extended80.h"

#include <algorithm>
#include <cerrno>
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
    const long double value = DecodeExtended80(bytes);
    return std::isfinite(value) ? value : 0.0L;
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

/// Writes all of `size` bytes; returns 0 or the errno of the failure.
int WriteAll(int fd, const std::uint8_t* data, std::size_t size) {
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
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
        size -= static_cast<std::size_t>(n);
    }
    return 0;
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
    const std::string path = Path();
    const std::string directory = path.substr(0, path.rfind('/'));
    const std::string temporary = directory + "/." + fileName_ + ".tmp";

    struct stat old {};
    const bool exists = ::stat(path.c_str(), &old) == 0;
    if (exists &&
        (S_ISDIR(old.st_mode) || (old.st_mode & 0222) == 0 || ::access(path.c_str(), W_OK) != 0)) {
        // A write-protected data file is the user's to keep, even for root.
        ReportIoError(S_ISDIR(old.st_mode) ? EISDIR : EACCES);
        return false;
    }

    FileDescriptor file(
        ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, 0666));
    if (file.Get() < 0) {
        ReportIoError(errno);
        return false;
    }
    FillBuffer(station);
    int error = WriteAll(file.Get(), buffer_.data(), buffer_.size());
    if (error == 0 && exists) {
        ::fchmod(file.Get(), old.st_mode & 07777); // keep the permissions the user gave it
    }
    if (error == 0 && ::fsync(file.Get()) != 0) {
        error = errno;
    }
    if (const int closeError = file.Close(); error == 0) {
        error = closeError;
    }
    if (error == 0 && ::rename(temporary.c_str(), path.c_str()) != 0) {
        error = errno;
    }
    if (error != 0) {
        ::unlink(temporary.c_str());
        ReportIoError(error);
        return false;
    }
    // Make the rename itself durable; a failure here leaves a correct file.
    if (const int dirFd = ::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        dirFd >= 0) {
        ::fsync(dirFd);
        ::close(dirFd);
    }
    messages_.Information(datafile_text::kInformationTitle, datafile_text::kUpdated);
    return true;
}

void DataFile::FillBuffer(const HomeStation& station) {
    PutExtended(buffer_, record::kLatitude, station.Latitude);
    PutExtended(buffer_, record::kLongitude, station.Longitude);
    PutExtended(buffer_, record::kHeightAsl, station.HeightAsl);
    PutExtended(buffer_, record::kUtcOffset, station.UtcOffset);
    PutExtended(buffer_, record::kUserSourceRa, station.UserSourceRa);
    PutExtended(buffer_, record::kUserSourceDec, station.UserSourceDec);
    PutText(buffer_, record::kLocation, kLocationCapacity, station.Location);
    PutText(buffer_, record::kUserSourceName, kUserSourceNameCapacity, station.UserSourceName);
    PutText(buffer_, record::kCallSign, kCallSignCapacity, station.CallSign);
    PutInt32(buffer_, record::kCalcInterval, station.CalcInterval);
    PutInt32(buffer_, record::kHintOption, station.HintOption);
    PutInt32(buffer_, record::kSourceOption, station.SourceOption);
    buffer_[record::kDisplayMode] = station.DisplayMode;
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
