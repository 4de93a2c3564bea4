#pragma once

#include "help/HelpDispatcher.h"
#include "help/HtmlHelpViewer.h"
#include "help/LibraryLoader.h"
#include "station/UserMessages.h"

#include <memory>
#include <string>
#include <string_view>

class QWidget;

namespace vantrel {

/// File name of the program's help, looked for in the current directory.
inline constexpr std::string_view kApplicationHelpFile = "Vantrel.chm";

/// The program's help system from start-up to shutdown: the help dispatcher,
/// the compiled HTML help viewer registered with it as viewer and selector,
/// and the `WinHelpTester` that keeps the old-style viewer from answering.
///
/// Make one at start-up, before the main window; it loads the help engine
/// library. `ShowContents` is the main window's Help command. `Release` (or
/// the destructor) gives the viewer back to the dispatcher and unloads the
/// engine; call it while the QApplication still exists.
class ApplicationHelp final : private HelpApplication {
public:
    /// Registers the HTML help viewer. What cannot be shown is said through
    /// `messages`, which must outlive this object. `loader` null: the
    /// system's loader; tests give their own.
    explicit ApplicationHelp(UserMessages& messages,
                             std::shared_ptr<LibraryLoader> loader = nullptr,
                             std::string engineLibrary = kHtmlHelpEngineLibrary);
    ~ApplicationHelp() override;
    ApplicationHelp(const ApplicationHelp&) = delete;
    ApplicationHelp& operator=(const ApplicationHelp&) = delete;

    /// The Help command: the application's help file becomes the current
    /// directory + "/" + "Vantrel.chm", or the installed copy when the current
    /// directory has none (`ChooseApplicationHelpFile`), and the dispatcher is
    /// asked for its
    /// contents (help command 3) with `caller` as the calling window. False
    /// when the request could not be handed to a viewer.
    bool ShowContents(QWidget* caller);
    /// The index of the same help file at `keyword`.
    bool ShowKeyword(QWidget* caller, std::string_view keyword);

    /// Shutdown: the viewer, if it still exists and holds the dispatcher's
    /// reference, is released by number; then the dispatcher goes, and with
    /// the last reference the viewer, which unloads the engine. Safe to call
    /// twice.
    void Release();

    /// The dispatcher, null after `Release`.
    HelpDispatcher* Dispatcher() { return dispatcher_.get(); }
    /// The viewer while it exists.
    std::shared_ptr<HtmlHelpViewer> Viewer() const { return viewer_.lock(); }

private:
    std::string CurrentHelpFile() const override;
    std::string ExecutableDirectory() const override;
    void SetHelpFileAndCaller(QWidget* caller);

    std::unique_ptr<HelpDispatcher> dispatcher_;
    std::weak_ptr<HtmlHelpViewer> viewer_; // the reference kept for the shutdown step
};

} // namespace vantrel
