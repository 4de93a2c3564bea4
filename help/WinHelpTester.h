#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace vantrel {

/// Asked by the old-style help viewer before it claims a request, so that an
/// application can keep it from answering (see `WinHelpTester`).
class OldStyleHelpTester {
public:
    virtual ~OldStyleHelpTester() = default;
    virtual bool CanShowALink(std::string_view link, std::string_view fileName) = 0;
    virtual bool CanShowTopic(std::string_view topic, std::string_view fileName) = 0;
    virtual bool CanShowContext(int context, std::string_view fileName) = 0;
    /// The entries the old-style viewer offers for a keyword.
    virtual std::vector<std::string> HelpEntries(std::string_view text) = 0;
    /// Directory put in front of the default help file; empty for none.
    virtual std::string HelpPath() = 0;
    /// The file the old-style viewer should open instead of `fileName`;
    /// empty to keep it.
    virtual std::string DefaultHelpFile(std::string_view fileName) = 0;
};

/// The tester installed with the compiled HTML help viewer: the old-style
/// viewer declines every link, topic and context, so keyword, topic and
/// context requests reach the HTML viewer alone.
class WinHelpTester final : public OldStyleHelpTester {
public:
    bool CanShowALink(std::string_view, std::string_view) override { return false; }
    bool CanShowTopic(std::string_view, std::string_view) override { return false; }
    bool CanShowContext(int, std::string_view) override { return false; }
    /// One entry: ": " followed by the text.
    std::vector<std::string> HelpEntries(std::string_view text) override {
        return {": " + std::string(text)};
    }
    std::string HelpPath() override { return {}; }
    std::string DefaultHelpFile(std::string_view) override { return {}; }
};

} // namespace vantrel
