#include "help/HtmlHelpViewer.h"

#include "help/HelpFileRule.h"

namespace vantrel {

namespace {

constexpr std::string_view kWarningTitle = "Warning";

} // namespace

HtmlHelpViewer::HtmlHelpViewer(std::shared_ptr<LibraryLoader> loader,
                               const HelpApplication& application, UserMessages* messages,
                               const std::string& engineLibrary)
    : loader_(std::move(loader)), application_(application), messages_(messages) {
    if (loader_ == nullptr) {
        return;
    }
    library_ = loader_->Load(engineLibrary);
    if (library_ == nullptr) {
        return;
    }
    entry_ = reinterpret_cast<HtmlHelpFunction>(loader_->Resolve(library_, kHtmlHelpEntry));
    setReporter_ = reinterpret_cast<HtmlHelpSetReporterFunction>(
        loader_->Resolve(library_, kHtmlHelpSetReporterEntry));
    if (setReporter_ != nullptr) {
        setReporter_(&HtmlHelpViewer::Report, this);
    }
}

HtmlHelpViewer::~HtmlHelpViewer() {
    // The engine's windows and its readings of help files (which run on
    // threads of its own) end while the engine's code is still loaded.
    CloseWindows();
    if (setReporter_ != nullptr) {
        setReporter_(nullptr, nullptr);
    }
    entry_ = nullptr;
    setReporter_ = nullptr;
    if (library_ != nullptr) {
        loader_->Unload(library_);
        library_ = nullptr;
    }
}

void HtmlHelpViewer::Report(void* self, const char* text) {
    auto* viewer = static_cast<HtmlHelpViewer*>(self);
    if (viewer != nullptr && viewer->messages_ != nullptr && text != nullptr) {
        viewer->messages_->Warning(kWarningTitle, text);
    }
}

std::string HtmlHelpViewer::CurrentHelpFile() const {
    std::string file = manager_ != nullptr ? manager_->HelpFile() : std::string();
    if (file.empty()) {
        file = application_.CurrentHelpFile();
    }
    return WithExecutableDirectory(file, application_.ExecutableDirectory());
}

void HtmlHelpViewer::Call(const std::string& file, unsigned command, std::uintptr_t data) {
    if (entry_ == nullptr) {
        if (messages_ != nullptr) {
            messages_->Warning(kWarningTitle, kHelpEngineMissing);
        }
        return;
    }
    const HelpWindowHandle caller = manager_ != nullptr ? manager_->CallerWindow() : 0;
    entry_(caller, file.c_str(), command, data);
}

int HtmlHelpViewer::KeywordMatchCount(std::string_view) {
    return IsCompiledHtmlHelpName(CurrentHelpFile()) ? 1 : 0;
}

std::vector<std::string> HtmlHelpViewer::KeywordEntries(std::string_view keyword) {
    return {std::string(kName) + ": " + std::string(keyword)};
}

void HtmlHelpViewer::ShowContents() {
    const std::string file = CurrentHelpFile();
    if (IsCompiledHtmlHelpName(file)) {
        Call(file, kHhDisplayContents, 0);
    }
}

void HtmlHelpViewer::ShowKeyword(std::string_view entry) {
    const std::string file = CurrentHelpFile();
    if (!IsCompiledHtmlHelpName(file)) {
        return;
    }
    const std::string keyword = KeywordOfEntry(entry);
    Call(file, kHhDisplayIndex, reinterpret_cast<std::uintptr_t>(keyword.c_str()));
}

void HtmlHelpViewer::CloseWindows() {
    if (entry_ != nullptr) {
        entry_(0, nullptr, kHhCloseAll, 0);
    }
}

void HtmlHelpViewer::Shutdown() {
    CloseWindows();
    manager_.reset();
}

bool HtmlHelpViewer::HandlesTopic(std::string_view) {
    return IsCompiledHtmlHelpName(CurrentHelpFile());
}

void HtmlHelpViewer::ShowTopic(std::string_view topic) {
    const std::string file = CurrentHelpFile();
    if (!IsCompiledHtmlHelpName(file)) {
        return;
    }
    Call(file + kTopicSeparator + TopicWithExtension(topic, kDefaultTopicExtension),
         kHhDisplayTopic, 0);
}

bool HtmlHelpViewer::HandlesContext(int, std::string_view fileName) {
    return IsCompiledHtmlHelpName(fileName);
}

void HtmlHelpViewer::ShowContext(int context, std::string_view) {
    const std::string file = CurrentHelpFile();
    if (IsCompiledHtmlHelpName(file)) {
        Call(file, kHhHelpContext, static_cast<std::uintptr_t>(static_cast<unsigned>(context)));
    }
}

int HtmlHelpViewer::ChooseKeywordEntry(const std::vector<std::string>& entries) {
    for (std::size_t i = 0; i < entries.size(); ++i) {
        if (ViewerNameOfEntry(entries[i]) == kName) {
            return static_cast<int>(i);
        }
    }
    return 0;
}

int HtmlHelpViewer::ChooseContentsViewer(const std::vector<std::string>& sortedViewerNames) {
    for (std::size_t i = 0; i < sortedViewerNames.size(); ++i) {
        if (sortedViewerNames[i] == kName) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

} // namespace vantrel
