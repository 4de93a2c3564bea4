#include "app/DataHome.h"

#include "mainwin/DesignSize.h"
#include "mainwin/PositionFileName.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <string_view>
#include <system_error>
#include <vector>

namespace vantrel {

namespace {

bool IsAbsolute(const std::optional<std::string>& path) {
    return path.has_value() && !path->empty() && path->front() == '/';
}

/// `path` without trailing "/" (but "/" stays "/").
std::string WithoutTrailingSlash(std::string path) {
    while (path.size() > 1 && path.back() == '/') {
        path.pop_back();
    }
    return path;
}

std::string Joined(const std::string& folder, std::string_view name) {
    std::string path = folder;
    if (path.empty() || path.back() != '/') {
        path += '/';
    }
    path += name;
    return path;
}

std::string ErrorText(int error) {
    return std::error_code(error, std::generic_category()).message();
}

std::string FolderProblem(const std::string& path, const std::string& why) {
    return "The folder " + path + " could not be created (" + why + ").";
}

/// Makes every missing folder along the absolute `path`, each with mode 0700;
/// an empty text when the whole path is a folder afterwards.
std::string MakeFolders(const std::string& path, bool& createdLast) {
    createdLast = false;
    std::size_t from = 1;
    while (from <= path.size()) {
        std::size_t slash = path.find('/', from);
        if (slash == std::string::npos) {
            slash = path.size();
        }
        if (slash > from) { // skips the empty parts of "//"
            const std::string prefix = path.substr(0, slash);
            if (mkdir(prefix.c_str(), 0700) == 0) {
                createdLast = slash == path.size();
            } else if (errno == EEXIST) {
                struct stat info {};
                if (stat(prefix.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) {
                    return FolderProblem(path, prefix + " is not a folder");
                }
            } else {
                return FolderProblem(path, ErrorText(errno));
            }
        }
        from = slash + 1;
    }
    return {};
}

/// The section "Position" at the design size, as the position store reads it.
std::string DesignPositionText() {
    return "[Position]\nLeft=" + std::to_string(kDesignOuterLeft) +
           "\nTop=" + std::to_string(kDesignOuterTop) +
           "\nWidth=" + std::to_string(kDesignOuterWidth) +
           "\nHeight=" + std::to_string(kDesignOuterHeight) + "\n";
}

bool WriteAll(int fd, std::string_view text) {
    while (!text.empty()) {
        const ssize_t n = write(fd, text.data(), text.size());
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return false;
        }
        text.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

} // namespace

DataHomeLocation DataHomeFolder(const std::optional<std::string>& xdgDataHome,
                                const std::optional<std::string>& home) {
    if (IsAbsolute(xdgDataHome)) {
        return {Joined(WithoutTrailingSlash(*xdgDataHome), kDataHomeName), {}};
    }
    if (IsAbsolute(home)) {
        return {Joined(Joined(WithoutTrailingSlash(*home), ".local/share"), kDataHomeName), {}};
    }
    return {{},
            "No folder for Vantrel's data: neither XDG_DATA_HOME nor HOME names an absolute "
            "folder."};
}

DataHomeLocation DataHomeOfEnvironment() {
    std::optional<std::string> xdg;
    if (const char* v = std::getenv("XDG_DATA_HOME")) {
        xdg = v;
    }
    std::optional<std::string> home;
    if (const char* v = std::getenv("HOME"); v != nullptr && *v != '\0') {
        home = v;
    } else {
        // The account entry, as a login shell would have set HOME from it.
        std::vector<char> buffer(16384);
        passwd entry{};
        passwd* found = nullptr;
        if (getpwuid_r(getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 &&
            found != nullptr && found->pw_dir != nullptr) {
            home = found->pw_dir;
        }
    }
    return DataHomeFolder(xdg, home);
}

DataHomeLocation ChosenDataHome(const std::string& folder) {
    if (folder.empty()) {
        return DataHomeOfEnvironment();
    }
    DataHomeLocation where;
    std::error_code error;
    where.Folder = std::filesystem::absolute(folder, error).string();
    if (error) {
        where.Folder.clear();
        where.Problem = "The folder " + folder + " cannot be found (" + error.message() + ").";
    }
    return where;
}

DataHomeSetup PrepareDataHome(const std::string& folder) {
    DataHomeSetup setup;
    if (folder.empty() || folder.front() != '/') {
        setup.Problem = "The folder \"" + folder + "\" for Vantrel's data is not an absolute path.";
        return setup;
    }
    const std::string path = WithoutTrailingSlash(folder);
    if (std::string problem = MakeFolders(path, setup.FolderCreated); !problem.empty()) {
        setup.Problem = std::move(problem);
        return setup;
    }

    // O_EXCL: whatever already bears the name, a dangling link included, is
    // the user's and stays as it is.
    const std::string ini = Joined(path, kPositionFileName);
    const int fd = open(ini.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd < 0) {
        if (errno != EEXIST) {
            setup.Problem = ini + " could not be written (" + ErrorText(errno) + ").";
        }
        return setup;
    }
    const bool written = WriteAll(fd, DesignPositionText());
    const int writeError = errno;
    if (close(fd) != 0 || !written) {
        const int error = written ? errno : writeError;
        unlink(ini.c_str());
        setup.Problem = ini + " could not be written (" + ErrorText(error) + ").";
        return setup;
    }
    setup.SettingsWritten = true;
    return setup;
}

DataHomeEntry EnterDataHome(const DataHomeLocation& where) {
    DataHomeEntry entry;
    std::string problem = where.Problem;
    if (problem.empty()) {
        const DataHomeSetup setup = PrepareDataHome(where.Folder);
        problem = setup.Problem;
        std::error_code error;
        if (std::filesystem::is_directory(where.Folder, error)) {
            std::filesystem::current_path(where.Folder, error);
            if (!error) {
                entry.Entered = true;
            } else if (problem.empty()) {
                problem = "The folder " + where.Folder + " could not be entered (" +
                          error.message() + ").";
            }
        }
    }
    if (!problem.empty() && !entry.Entered) {
        std::error_code error;
        const std::string here = std::filesystem::current_path(error).string();
        problem += " Vantrel keeps its files in " +
                   (error ? std::string("the current folder") : here) + " for this run.";
    }
    entry.Problem = std::move(problem);
    return entry;
}

} // namespace vantrel
