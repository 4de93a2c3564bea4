#pragma once

#include "help/HelpViewer.h"
#include "help/HtmlHelpApi.h"
#include "help/LibraryLoader.h"
#include "station/UserMessages.h"

#include <memory>
#include <string>
#include <string_view>

namespace vantrel {

/// What the HTML help viewer needs to know of the running program.
class HelpApplication {
public:
    virtual ~HelpApplication() = default;
    /// The application's current help file, as set by its help command.
    virtual std::string CurrentHelpFile() const = 0;
    /// Directory of the running executable; a help file named without a
    /// directory is looked for there.
    virtual std::string ExecutableDirectory() const = 0;
};

/// The help viewer for compiled HTML help files (".chm"): registered with the
/// help dispatcher, it turns each request into one call of the HTML help
/// engine's `HtmlHelpA` entry. It is also the dispatcher's selector, so that
/// it is chosen over the old-style viewer for the table of contents.
///
/// The current help file (the help file rule): the dispatcher's, or the
/// application's when the dispatcher gives none; a name without directory is
/// taken from the executable's directory; it counts as compiled HTML help
/// when its extension is ".chm" in any case.
///
/// The engine library is loaded by name when the viewer is made and
/// unloaded when it is destroyed. When it cannot be loaded, or lacks the
/// entry, the viewer still claims compiled HTML help files and answers a
/// request to show one with the message "Help is not available: the help
/// viewer could not be loaded.". What the engine itself has to say (a help
/// file that does not exist) reaches the user through the same messages.
class HtmlHelpViewer final : public ExtendedHelpViewer, public HelpSelector {
public:
    static constexpr std::string_view kName = "QelHtmlHelp";
    static constexpr std::string_view kDefaultTopicExtension = ".htm";

    /// Loads `engineLibrary` through `loader` and looks up its entries.
    /// `messages` may be null (nothing is said then); `application` must
    /// outlive the viewer.
    HtmlHelpViewer(std::shared_ptr<LibraryLoader> loader, const HelpApplication& application,
                   UserMessages* messages,
                   const std::string& engineLibrary = kHtmlHelpEngineLibrary);
    ~HtmlHelpViewer() override;
    HtmlHelpViewer(const HtmlHelpViewer&) = delete;
    HtmlHelpViewer& operator=(const HtmlHelpViewer&) = delete;

    /// The dispatcher's reference, filled in by `HelpDispatcher::RegisterViewer`.
    std::shared_ptr<HelpManager>& DispatcherReference() { return manager_; }
    int ViewerId() const { return viewerId_; }
    /// Whether the engine library and its entry were found.
    bool EngineLoaded() const { return entry_ != nullptr; }
    /// The current help file by the help file rule.
    std::string CurrentHelpFile() const;

    // The viewer.
    std::string ViewerName() const override { return std::string(kName); }
    int KeywordMatchCount(std::string_view keyword) override;
    std::vector<std::string> KeywordEntries(std::string_view keyword) override;
    bool HasContents() override { return true; }
    void ShowContents() override;
    void ShowKeyword(std::string_view entry) override;
    void SetViewerId(int id) override { viewerId_ = id; }
    void CloseWindows() override;
    void Shutdown() override;
    bool HandlesTopic(std::string_view topic) override;
    void ShowTopic(std::string_view topic) override;
    bool HandlesContext(int context, std::string_view fileName) override;
    void ShowContext(int context, std::string_view fileName) override;

    // The selector.
    int ChooseKeywordEntry(const std::vector<std::string>& entries) override;
    int ChooseContentsViewer(const std::vector<std::string>& sortedViewerNames) override;

private:
    /// One engine call with the caller window of the current request; says
    /// that help is not available when the engine is missing.
    void Call(const std::string& file, unsigned command, std::uintptr_t data);
    static void Report(void* self, const char* text);

    std::shared_ptr<LibraryLoader> loader_;
    const HelpApplication& application_;
    UserMessages* messages_;
    LibraryLoader::Handle library_ = nullptr;
    HtmlHelpFunction entry_ = nullptr;
    HtmlHelpSetReporterFunction setReporter_ = nullptr;
    std::shared_ptr<HelpManager> manager_;
    int viewerId_ = 0;
};

} // namespace vantrel
