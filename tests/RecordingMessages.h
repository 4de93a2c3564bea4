#pragma once

#include "station/UserMessages.h"

#include <string>
#include <vector>

namespace vantrel {

/// Records what would have been shown to the user, as "Kind|title|text".
class RecordingMessages final : public UserMessages {
public:
    void Warning(std::string_view title, std::string_view text) override {
        said.push_back("Warning|" + std::string(title) + "|" + std::string(text));
    }
    void Information(std::string_view title, std::string_view text) override {
        said.push_back("Information|" + std::string(title) + "|" + std::string(text));
    }
    void Error(std::string_view text) override { said.push_back("Error||" + std::string(text)); }

    std::vector<std::string> said;
};

} // namespace vantrel
