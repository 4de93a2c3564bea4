#pragma once

#include "station/UserMessages.h"

#include <string>
#include <vector>

namespace vantrel {

/// Records what would have been shown to the user, as "Kind|title|text",
/// followed by "@dx,dy" when the box was placed.
class RecordingMessages final : public UserMessages {
public:
    void Warning(std::string_view title, std::string_view text) override {
        said.push_back("Warning|" + std::string(title) + "|" + std::string(text) + at);
        at.clear();
    }
    void Information(std::string_view title, std::string_view text) override {
        said.push_back("Information|" + std::string(title) + "|" + std::string(text) + at);
        at.clear();
    }
    void Error(std::string_view text) override { said.push_back("Error||" + std::string(text)); }
    bool Question(std::string_view title, std::string_view text) override {
        said.push_back("Question|" + std::string(title) + "|" + std::string(text) + at);
        at.clear();
        return answer;
    }
    void PlaceNext(int dx, int dy) override {
        at = "@" + std::to_string(dx) + "," + std::to_string(dy);
    }

    std::vector<std::string> said;
    bool answer = false; ///< what the user answers to a question
    std::string at;      ///< place of the next box, appended to what it says
};

} // namespace vantrel
