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
    /// A question with the answers Yes and No; true for Yes. Where nobody
    /// can answer (the command-line tools), the answer is No.
    virtual bool Question(std::string_view title, std::string_view text) {
        Information(title, text);
        return false;
    }
    /// Places the next box with its top-left corner this far right of and
    /// below the top-left corner of the window that shows it. Boxes without
    /// a place are centred on the window.
    virtual void PlaceNext(int /*dx*/, int /*dy*/) {}
};

} // namespace vantrel
