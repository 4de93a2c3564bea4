#include "help/engine/ChmReaderLocation.h"

#include "help/engine/ChmReaderProcess.h"

#include <dlfcn.h>
#include <unistd.h>

#include <filesystem>
#include <system_error>

namespace vantrel {

namespace {

/// `folder`/`kChmReaderProgram` when that is a file this process may run.
std::string ReaderIn(const std::filesystem::path& folder) {
    if (folder.empty()) {
        return {};
    }
    const std::filesystem::path candidate = folder / kChmReaderProgram;
    std::error_code error;
    if (std::filesystem::is_regular_file(candidate, error) &&
        access(candidate.c_str(), X_OK) == 0) {
        return candidate.string();
    }
    return {};
}

} // namespace

std::string ThisLibraryFolder() {
    Dl_info info{};
    if (dladdr(reinterpret_cast<const void*>(&ThisLibraryFolder), &info) == 0 ||
        info.dli_fname == nullptr) {
        return {};
    }
    std::error_code error;
    const std::filesystem::path library = std::filesystem::absolute(info.dli_fname, error);
    return error ? std::string() : library.parent_path().string();
}

std::string FindChmReader(const std::string& libraryFolder) {
    if (std::string found = ReaderIn(libraryFolder); !found.empty()) {
        return found;
    }
    std::error_code error;
    const std::filesystem::path executable = std::filesystem::read_symlink("/proc/self/exe", error);
    return error ? std::string() : ReaderIn(executable.parent_path());
}

} // namespace vantrel
