#pragma once

#include <string_view>

namespace vantrel {

/// What the computation and file layers say to the user. The windows show
/// these as message boxes with a single OK button; tests record them.
class UserMessages {
public:
    virtual ~UserMessages() = default;

    /// A warning box, e.g. title "Warning", text "File not found".
    virtual void Warning(std::string_view title, std::string_view text) = 0;
    /// An information box, e.g. title "Information" and a confirmation.
    virtual void Information(std::string_view title, std::string_view text) = 0;
    /// An error that stopped the current command (input/output failures, ...).
    virtual void Error(std::string_view text) = 0;
};

} // namespace vantrel
