#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace vantrel {

/// An opaque window handle as the help system passes it around: the address
/// of the QWidget a request comes from, or 0. Only the help engine looks
/// behind it, to place its window beside the caller.
using HelpWindowHandle = std::uintptr_t;

/// What the help dispatcher hands to a viewer when the viewer registers: the
/// window and help file of the request in progress, and the way back out.
class HelpManager {
public:
    virtual ~HelpManager() = default;
    /// The window the current request comes from (the main window for the
    /// application's help command), or 0.
    virtual HelpWindowHandle CallerWindow() const = 0;
    /// The help file of the request in progress; empty outside a request.
    virtual std::string HelpFile() const = 0;
    /// Takes viewer `viewerId` off the dispatcher's list; the dispatcher
    /// drops its reference to it.
    virtual void Release(int viewerId) = 0;
};

/// A help viewer as the dispatcher sees it. The dispatcher asks every
/// registered viewer whether it can answer a request and hands the request
/// to one of those that can.
class HelpViewer {
public:
    virtual ~HelpViewer() = default;

    virtual std::string ViewerName() const = 0;
    /// How many entries the viewer offers for a keyword; 0 declines it.
    virtual int KeywordMatchCount(std::string_view keyword) = 0;
    /// The entries offered for a keyword, each "viewer name: keyword" in the
    /// usual form; one of them comes back through `ShowKeyword`.
    virtual std::vector<std::string> KeywordEntries(std::string_view keyword) = 0;
    virtual bool HasContents() = 0;
    virtual void ShowContents() = 0;
    /// Shows the help for one of the entries `KeywordEntries` offered.
    virtual void ShowKeyword(std::string_view entry) = 0;
    /// The number the dispatcher gave the viewer at registration.
    virtual void SetViewerId(int id) = 0;
    /// Closes every help window the viewer opened.
    virtual void CloseWindows() = 0;
    /// The dispatcher is going away: close the windows and drop the
    /// reference to it.
    virtual void Shutdown() = 0;
};

/// A viewer that also shows topics by name and contexts by number.
class ExtendedHelpViewer : public HelpViewer {
public:
    virtual bool HandlesTopic(std::string_view topic) = 0;
    virtual void ShowTopic(std::string_view topic) = 0;
    /// Whether the viewer can show context `context` of the file `fileName`.
    virtual bool HandlesContext(int context, std::string_view fileName) = 0;
    virtual void ShowContext(int context, std::string_view fileName) = 0;
};

/// Chooses among several viewers that could answer the same request.
class HelpSelector {
public:
    virtual ~HelpSelector() = default;
    /// Index into `entries` (each "viewer name: keyword") of the one to show.
    virtual int ChooseKeywordEntry(const std::vector<std::string>& entries) = 0;
    /// Index into `sortedViewerNames` of the viewer to show the contents.
    virtual int ChooseContentsViewer(const std::vector<std::string>& sortedViewerNames) = 0;
};

} // namespace vantrel
