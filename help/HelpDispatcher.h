#pragma once

#include "help/HelpViewer.h"
#include "help/OldStyleHelpViewer.h"
#include "station/UserMessages.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace vantrel {

/// Told to the user when no viewer offers a table of contents.
inline constexpr std::string_view kNoTableOfContents = "Unable to find a Table of Contents";

/// The application's help system: it keeps the registered help viewers and
/// hands every help request to one that can answer it.
///
/// Viewers are numbered from 0 in the order they register; the built-in
/// old-style viewer (`OldStyleHelpViewer`, "WinHelp") is number 0. For a
/// request it asks each viewer whether it can answer:
/// - contents: every viewer with contents; several → the selector chooses
///   among their names sorted without regard to case (the first of the
///   sorted names without a selector or when it chooses none of them);
/// - keyword: the viewers with a match count above 0; their entries are put
///   together and, when there are several, the selector chooses one (the
///   first without a selector); the entry goes back to the viewer that
///   offered it;
/// - topic and context: the first viewer, in registration order, that
///   handles it.
/// When no viewer can answer, the user is told (for the contents "Unable to
/// find a Table of Contents") and the request returns false.
///
/// The dispatcher holds its viewers and its selector by shared reference.
/// Viewers that are still registered when it is destroyed are shut down.
class HelpDispatcher {
public:
    /// The application's help commands (the numbers of the classic help API).
    static constexpr unsigned kHelpContext = 1;  ///< data: context number
    static constexpr unsigned kHelpQuit = 2;     ///< closes every help window
    static constexpr unsigned kHelpContents = 3; ///< data 0
    static constexpr unsigned kHelpKey = 0x101;  ///< data: address of the keyword text

    /// `messages` may be null; requests that cannot be answered then fail
    /// silently.
    explicit HelpDispatcher(UserMessages* messages = nullptr);
    ~HelpDispatcher();
    HelpDispatcher(const HelpDispatcher&) = delete;
    HelpDispatcher& operator=(const HelpDispatcher&) = delete;

    /// Registers a viewer: `manager` receives the dispatcher's reference,
    /// then the viewer is given its number, which is returned.
    int RegisterViewer(const std::shared_ptr<HelpViewer>& viewer,
                       std::shared_ptr<HelpManager>& manager);
    /// Takes viewer `viewerId` off the list; unknown numbers are ignored.
    void Release(int viewerId);
    std::size_t ViewerCount() const { return viewers_.size(); }
    /// Names of the registered viewers, sorted without regard to case.
    std::vector<std::string> SortedViewerNames() const;

    void SetSelector(std::shared_ptr<HelpSelector> selector) { selector_ = std::move(selector); }
    OldStyleHelpViewer& OldStyleViewer() { return *oldStyle_; }

    /// The application's help file, used by the help commands.
    void SetApplicationHelpFile(std::string fileName) {
        applicationHelpFile_ = std::move(fileName);
    }
    const std::string& ApplicationHelpFile() const { return applicationHelpFile_; }
    /// The application's main window, the caller of the help commands.
    void SetCallerWindow(HelpWindowHandle window) { callerWindow_ = window; }

    /// The requests; `fileName` is the help file they are about.
    bool ShowContents(const std::string& fileName);
    bool ShowKeyword(std::string_view keyword, const std::string& fileName);
    bool ShowTopic(std::string_view topic, const std::string& fileName);
    bool ShowContext(int context, const std::string& fileName);
    /// A help command of the application on its help file; false for an
    /// unknown command or when it could not be answered.
    bool HelpCommand(unsigned command, std::uintptr_t data);

    /// The help file and caller of the request in progress (empty and 0
    /// outside a request), as viewers read them through their reference.
    const std::string& RequestHelpFile() const { return requestFile_; }
    HelpWindowHandle RequestCaller() const { return requestCaller_; }

private:
    class Handle;
    class Request;
    struct Entry {
        int Id;
        std::shared_ptr<HelpViewer> Viewer;
    };
    std::vector<Entry> Snapshot() const { return viewers_; }
    void Tell(const std::string& text);

    UserMessages* messages_;
    std::shared_ptr<Handle> handle_;
    std::shared_ptr<OldStyleHelpViewer> oldStyle_;
    std::vector<Entry> viewers_;
    std::shared_ptr<HelpSelector> selector_;
    int nextId_ = 0;
    std::string applicationHelpFile_;
    HelpWindowHandle callerWindow_ = 0;
    std::string requestFile_;
    HelpWindowHandle requestCaller_ = 0;
};

} // namespace vantrel
