#include "help/ProcessPaths.h"

#include <filesystem>
#include <system_error>

namespace vantrel {

std::string ExecutableDirectory() {
    std::error_code error;
    const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", error);
    if (error) {
        return {};
    }
    return exe.parent_path().string();
}

std::string CurrentDirectory() {
    std::error_code error;
    const std::filesystem::path here = std::filesystem::current_path(error);
    return error ? std::string() : here.string();
}

} // namespace vantrel
