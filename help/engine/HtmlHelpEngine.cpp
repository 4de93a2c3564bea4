// The entries of the HTML help engine library (see help/HtmlHelpApi.h): the
// help windows it has opened, one per help file, and the commands on them.

#include "help/HtmlHelpApi.h"
#include "help/engine/ChmHelpFile.h"
#include "help/engine/HelpWindow.h"

#include <QApplication>
#include <QMessageBox>
#include <QPointer>
#include <QScreen>

#include <filesystem>
#include <map>
#include <string>
#include <system_error>

namespace vantrel {

namespace {

/// The engine's state: its windows by help file, and where its messages go.
class Engine {
public:
    ~Engine() {
        // The library is being unloaded: its windows go first, while their
        // code is still there.
        CloseAll();
        if (postRoutine_) {
            qRemovePostRoutine(&Engine::ApplicationEnds);
        }
    }

    static Engine& Instance() {
        static Engine engine;
        return engine;
    }

    void SetReporter(HtmlHelpReportFunction report, void* context) {
        report_ = report;
        context_ = context;
    }

    void Tell(const std::string& text) const {
        if (report_ != nullptr) {
            report_(context_, text.c_str());
        } else {
            QMessageBox::warning(nullptr, QStringLiteral("Warning"), QString::fromStdString(text));
        }
    }

    /// The window of a help file, opened on first use; null after telling
    /// the user why not.
    HelpWindow* WindowFor(const std::string& given, std::uintptr_t caller) {
        std::error_code error;
        if (given.empty() || !std::filesystem::is_regular_file(given, error)) {
            Tell(std::string(kHelpFileNotFound) + " " + given);
            return nullptr;
        }
        // One window per file, however the file is named.
        std::string path = std::filesystem::weakly_canonical(given, error).string();
        if (error || path.empty()) {
            path = given;
        }
        const auto changed = std::filesystem::last_write_time(path, error);
        auto it = windows_.find(path);
        if (it != windows_.end() && (!it->second.Window || it->second.Changed != changed)) {
            delete it->second.Window.data(); // the file was replaced: read it again
            windows_.erase(it);
            it = windows_.end();
        }
        if (it != windows_.end()) {
            return it->second.Window;
        }
        std::optional<ChmHelpFile> file = ChmHelpFile::Open(path);
        if (!file) {
            Tell("The help file cannot be read: " + path);
            return nullptr;
        }
        if (!postRoutine_) {
            qAddPostRoutine(&Engine::ApplicationEnds);
            postRoutine_ = true;
        }
        auto* window = new HelpWindow(std::move(*file));
        PlaceBeside(window, caller);
        windows_[path] = {window, changed};
        return window;
    }

    void CloseAll() {
        for (auto& [path, open] : windows_) {
            delete open.Window.data();
        }
        windows_.clear();
    }

private:
    struct OpenFile {
        QPointer<HelpWindow> Window;
        std::filesystem::file_time_type Changed;
    };

    /// The QApplication is going away: the windows cannot outlive it.
    static void ApplicationEnds() {
        Instance().postRoutine_ = false;
        Instance().CloseAll();
    }

    /// Beside the caller's window when it is one of this program's, else
    /// centred on the screen.
    static void PlaceBeside(HelpWindow* window, std::uintptr_t caller) {
        QWidget* owner = nullptr;
        for (QWidget* w : QApplication::topLevelWidgets()) {
            if (reinterpret_cast<std::uintptr_t>(w) == caller) {
                owner = w;
            }
        }
        const QScreen* screen =
            owner != nullptr ? owner->screen() : QGuiApplication::primaryScreen();
        if (screen == nullptr) {
            return;
        }
        const QRect area = screen->availableGeometry();
        QRect r(QPoint(0, 0), window->size().boundedTo(area.size()));
        if (owner != nullptr) {
            r.moveTopLeft(owner->frameGeometry().topLeft() + QPoint(40, 40));
        } else {
            r.moveCenter(area.center());
        }
        r.moveRight(std::min(r.right(), area.right()));
        r.moveBottom(std::min(r.bottom(), area.bottom()));
        r.moveLeft(std::max(r.left(), area.left()));
        r.moveTop(std::max(r.top(), area.top()));
        window->setGeometry(r);
    }

    std::map<std::string, OpenFile> windows_;
    HtmlHelpReportFunction report_ = nullptr;
    void* context_ = nullptr;
    bool postRoutine_ = false;
};

std::uintptr_t Shown(HelpWindow* window) {
    window->show();
    window->raise();
    window->activateWindow();
    return reinterpret_cast<std::uintptr_t>(window);
}

std::uintptr_t Run(std::uintptr_t caller, const char* fileArgument, unsigned command,
                   std::uintptr_t data) {
    Engine& engine = Engine::Instance();
    if (command == kHhCloseAll) {
        engine.CloseAll();
        return 0;
    }
    if (qobject_cast<QApplication*>(QCoreApplication::instance()) == nullptr) {
        engine.Tell("Help cannot be shown: the program has no windows.");
        return 0;
    }
    std::string file = fileArgument != nullptr ? fileArgument : "";
    std::string topic;
    if (command == kHhDisplayTopic) {
        const auto sep = file.find(kTopicSeparator);
        if (sep != std::string::npos) {
            topic = file.substr(sep + 2);
            file.erase(sep);
        }
    }
    switch (command) {
    case kHhDisplayTopic:
    case kHhDisplayContents:
    case kHhDisplayIndex:
    case kHhHelpContext:
        break;
    default:
        return 0;
    }
    HelpWindow* window = engine.WindowFor(file, caller);
    if (window == nullptr) {
        return 0;
    }
    switch (command) {
    case kHhDisplayTopic:
        if (!window->ShowTopic(topic.empty() ? window->File().DefaultTopic() : topic)) {
            engine.Tell("Help topic not found: " + topic);
            window->ShowContents();
        }
        break;
    case kHhDisplayContents:
        window->ShowContents();
        break;
    case kHhDisplayIndex: {
        // The index command's data is the keyword's address.
        const char* keyword =
            reinterpret_cast<const char*>(data); // NOLINT(performance-no-int-to-ptr)
        if (!window->ShowIndex(keyword != nullptr ? keyword : "") &&
            window->CurrentTopic().empty()) {
            window->ShowTopic(window->File().DefaultTopic());
        }
        break;
    }
    case kHhHelpContext: {
        const auto context = static_cast<std::uint32_t>(data);
        const std::optional<std::string> target = window->File().TopicForContext(context);
        if (!target || !window->ShowTopic(*target)) {
            engine.Tell("No help topic for context " + std::to_string(context));
            window->ShowContents();
        }
        break;
    }
    default:
        break;
    }
    return Shown(window);
}

} // namespace

} // namespace vantrel

extern "C" __attribute__((visibility("default"))) std::uintptr_t
HtmlHelpA(std::uintptr_t caller, const char* file, unsigned command, std::uintptr_t data) {
    return vantrel::Run(caller, file, command, data);
}

extern "C" __attribute__((visibility("default"))) void
HtmlHelpSetReporter(HtmlHelpReportFunction report, void* context) {
    vantrel::Engine::Instance().SetReporter(report, context);
}
