#include "help/InstalledHelpFile.h"

#include <filesystem>
#include <system_error>

namespace vantrel {

namespace {

std::string InFolder(std::string_view folder, std::string_view name) {
    std::string path(folder);
    if (path.empty() || path.back() != '/') {
        path += '/';
    }
    path += name;
    return path;
}

} // namespace

std::string ChooseApplicationHelpFile(std::string_view fileName, std::string_view currentDirectory,
                                      std::string_view executableDirectory,
                                      std::string_view helpFolderFromPrograms,
                                      const FileExists& exists) {
    std::string here = InFolder(currentDirectory, fileName);
    if (exists(here)) {
        return here;
    }
    if (!executableDirectory.empty()) {
        const std::filesystem::path installed =
            (std::filesystem::path(executableDirectory) / helpFolderFromPrograms / fileName)
                .lexically_normal();
        if (exists(installed.string())) {
            return installed.string();
        }
    }
    return here;
}

bool RegularFileExists(const std::string& path) {
    std::error_code error;
    return std::filesystem::is_regular_file(path, error);
}

} // namespace vantrel
