#pragma once

#include "station/UserMessages.h"

#include <iostream>

namespace vantrel {

/// Messages of the command-line tools: everything goes to standard error, so
/// standard output carries only the table.
class ConsoleMessages final : public UserMessages {
public:
    void Warning(std::string_view title, std::string_view text) override {
        std::cerr << title << ": " << text << '\n';
    }
    void Information(std::string_view title, std::string_view text) override {
        std::cerr << title << ": " << text << '\n';
    }
    void Error(std::string_view text) override { std::cerr << "Error: " << text << '\n'; }
};

} // namespace vantrel
