#include "tools/StationArgument.h"

#include "station/DataFile.h"

#include <string>

namespace vantrel {

void ReadStationArgument(std::span<const std::string_view> args, UserMessages& messages,
                         HomeStation& station) {
    std::string path = kDataFileName;
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--data" && i + 1 < args.size()) {
            path = std::string(args[++i]);
        } else if (args[i].starts_with("--data=")) {
            path = std::string(args[i].substr(std::string_view("--data=").size()));
        }
    }
    if (path.empty()) {
        return;
    }
    const auto slash = path.rfind('/');
    DataFile file(messages, slash == std::string::npos ? std::string() : path.substr(0, slash + 1),
                  slash == std::string::npos ? path : path.substr(slash + 1));
    file.Read(station); // warns on standard error when the file is missing
}

} // namespace vantrel
