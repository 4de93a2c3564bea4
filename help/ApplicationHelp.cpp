#include "help/ApplicationHelp.h"

#include "help/InstalledHelpFile.h"
#include "help/ProcessPaths.h"
#include "help/WinHelpTester.h"

namespace vantrel {

namespace {

/// Folder of the installed help file relative to the folder of the installed
/// programs, from the install layout (CMake's VANTREL_INSTALL_* folders).
constexpr std::string_view kInstalledHelpFolder = VANTREL_HELP_FOLDER_FROM_PROGRAMS;

} // namespace

ApplicationHelp::ApplicationHelp(UserMessages& messages, std::shared_ptr<LibraryLoader> loader,
                                 std::string engineLibrary)
    : dispatcher_(std::make_unique<HelpDispatcher>(&messages)) {
    if (loader == nullptr) {
        loader = MakeSystemLibraryLoader();
    }
    const HelpApplication& application = *this;
    auto viewer = std::make_shared<HtmlHelpViewer>(std::move(loader), application, &messages,
                                                   std::move(engineLibrary));
    dispatcher_->RegisterViewer(viewer, viewer->DispatcherReference());
    dispatcher_->SetSelector(viewer);
    dispatcher_->OldStyleViewer().SetTester(std::make_shared<WinHelpTester>());
    viewer_ = viewer;
}

ApplicationHelp::~ApplicationHelp() {
    Release();
}

std::string ApplicationHelp::CurrentHelpFile() const {
    return dispatcher_ != nullptr ? dispatcher_->ApplicationHelpFile() : std::string();
}

std::string ApplicationHelp::ExecutableDirectory() const {
    return vantrel::ExecutableDirectory();
}

void ApplicationHelp::SetHelpFileAndCaller(QWidget* caller) {
    // One look at the disk per Help command: the user's own copy may come or
    // go while the program runs.
    const std::string file = ChooseApplicationHelpFile(kApplicationHelpFile, CurrentDirectory(),
                                                       vantrel::ExecutableDirectory(),
                                                       kInstalledHelpFolder, RegularFileExists);
    dispatcher_->SetApplicationHelpFile(file);
    dispatcher_->SetCallerWindow(reinterpret_cast<HelpWindowHandle>(caller));
}

bool ApplicationHelp::ShowContents(QWidget* caller) {
    if (dispatcher_ == nullptr) {
        return false;
    }
    SetHelpFileAndCaller(caller);
    return dispatcher_->HelpCommand(HelpDispatcher::kHelpContents, 0);
}

bool ApplicationHelp::ShowKeyword(QWidget* caller, std::string_view keyword) {
    if (dispatcher_ == nullptr) {
        return false;
    }
    SetHelpFileAndCaller(caller);
    const std::string text(keyword);
    return dispatcher_->HelpCommand(HelpDispatcher::kHelpKey,
                                    reinterpret_cast<std::uintptr_t>(text.c_str()));
}

void ApplicationHelp::Release() {
    if (const std::shared_ptr<HtmlHelpViewer> viewer = viewer_.lock()) {
        if (std::shared_ptr<HelpManager> manager = viewer->DispatcherReference()) {
            manager->Release(viewer->ViewerId());
            viewer->DispatcherReference().reset();
        }
    }
    // The dispatcher drops the selector, the last reference but ours above.
    dispatcher_.reset();
}

} // namespace vantrel
