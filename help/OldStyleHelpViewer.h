#pragma once

#include "help/HelpViewer.h"
#include "help/WinHelpTester.h"
#include "station/UserMessages.h"

#include <functional>
#include <memory>

namespace vantrel {

/// The dispatcher's built-in viewer for old-style help files (".hlp"). There
/// is no engine for that format on this system: the viewer offers the table
/// of contents of any file, as it always did, and when it is chosen it tells
/// the user that the file cannot be shown.
///
/// With a tester installed it claims links, topics and contexts only when
/// the tester says so, and offers the tester's keyword entries; without one
/// it claims files whose name ends in ".hlp".
class OldStyleHelpViewer final : public ExtendedHelpViewer {
public:
    static constexpr std::string_view kName = "WinHelp";

    /// `helpFile` gives the help file of the request in progress; `messages`
    /// may be null.
    OldStyleHelpViewer(std::function<std::string()> helpFile, UserMessages* messages)
        : helpFile_(std::move(helpFile)), messages_(messages) {}

    void SetTester(std::shared_ptr<OldStyleHelpTester> tester) { tester_ = std::move(tester); }
    const std::shared_ptr<OldStyleHelpTester>& Tester() const { return tester_; }

    std::string ViewerName() const override { return std::string(kName); }
    int KeywordMatchCount(std::string_view keyword) override;
    std::vector<std::string> KeywordEntries(std::string_view keyword) override;
    bool HasContents() override { return true; }
    void ShowContents() override { CannotShow(); }
    void ShowKeyword(std::string_view) override { CannotShow(); }
    void SetViewerId(int id) override { viewerId_ = id; }
    int ViewerId() const { return viewerId_; }
    void CloseWindows() override {}
    void Shutdown() override {}
    bool HandlesTopic(std::string_view topic) override;
    void ShowTopic(std::string_view) override { CannotShow(); }
    bool HandlesContext(int context, std::string_view fileName) override;
    void ShowContext(int, std::string_view) override { CannotShow(); }

    /// The file the viewer would open: the tester's default help file (after
    /// its help path) when it names one, else `fileName`, else the file of
    /// the request in progress.
    std::string HelpFile(std::string_view fileName) const;

private:
    void CannotShow();

    std::function<std::string()> helpFile_;
    UserMessages* messages_;
    std::shared_ptr<OldStyleHelpTester> tester_;
    int viewerId_ = 0;
};

} // namespace vantrel
