#pragma once

// A folder of the fuzzing process for the targets that read through real
// files, removed when the process ends.

#include <filesystem>
#include <string>
#include <string_view>
#include <system_error>

#include <unistd.h>

namespace vantrel::fuzz {

struct ScratchFolder {
    /// "vantrel-fuzz-NAME-PID", in memory where there is such a folder: a
    /// save's fsync is then free, and the fuzzer runs a hundred times faster.
    explicit ScratchFolder(std::string_view name) {
        const std::filesystem::path shm("/dev/shm");
        path = (std::filesystem::is_directory(shm) ? shm : std::filesystem::temp_directory_path()) /
               ("vantrel-fuzz-" + std::string(name) + "-" + std::to_string(::getpid()));
        std::filesystem::create_directories(path);
    }
    ~ScratchFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path, ignored);
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    std::filesystem::path path;
};

} // namespace vantrel::fuzz
