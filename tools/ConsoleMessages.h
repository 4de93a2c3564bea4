#pragma once

#include "station/UserMessages.h"
#include "tools/TerminalText.h"

#include <iostream>

namespace vantrel {

/// Messages of the command-line tools: everything goes to standard error, so
/// standard output carries only the table. One line per message, control
/// characters escaped.
class ConsoleMessages final : public UserMessages {
public:
    void Warning(std::string_view title, std::string_view text) override {
        std::cerr << TerminalSafe(title) << ": " << TerminalSafe(text) << '\n';
    }
    void Information(std::string_view title, std::string_view text) override {
        std::cerr << TerminalSafe(title) << ": " << TerminalSafe(text) << '\n';
    }
    void Error(std::string_view text) override {
        std::cerr << "Error: " << TerminalSafe(text) << '\n';
    }
};

} // namespace vantrel
