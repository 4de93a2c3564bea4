// The entries of the HTML help engine library (see help/HtmlHelpApi.h): the
// help windows it has opened, one per help file, and the commands on them.
// A help file is read by the reader program on a thread of the engine's own;
// a command on a file not yet read is carried out when the file has been.

#include "help/HtmlHelpApi.h"
#include "help/engine/ChmHelpFile.h"
#include "help/engine/ChmReaderLocation.h"
#include "help/engine/HelpWindow.h"

#include <QApplication>
#include <QMessageBox>
#include <QPointer>
#include <QScreen>

#include <atomic>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <system_error>
#include <thread>

namespace vantrel {

namespace {

/// One help command, kept while the help file it needs is being read.
struct Request {
    unsigned Command = kHhDisplayContents;
    std::string Topic;         ///< command 0: the topic, empty for the default one
    std::string Keyword;       ///< command 2
    std::uint32_t Context = 0; ///< command 15
    std::uintptr_t Caller = 0;
};

/// The engine's state: its windows by help file, the help files being read,
/// and where its messages go. Lives on the user-interface thread; only the
/// reading of a help file runs on a thread of its own, which hands its
/// result back through `receiver_`.
class Engine {
public:
    ~Engine() {
        // The library is being unloaded: its windows and readers go first,
        // while their code is still there.
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

    /// Carries out `request` on the help file `given`: at once when its
    /// window is open, else once the file has been read. The window that
    /// shows the result, or 0 for none yet.
    std::uintptr_t Submit(const std::string& given, Request request) {
        std::error_code error;
        if (given.empty() || !std::filesystem::is_regular_file(given, error)) {
            Tell(std::string(kHelpFileNotFound) + " " + given);
            return 0;
        }
        // One window per file, however the file is named.
        std::string path = std::filesystem::weakly_canonical(given, error).string();
        if (error || path.empty()) {
            path = given;
        }
        const auto changed = std::filesystem::last_write_time(path, error);
        if (const auto reading = readings_.find(path); reading != readings_.end()) {
            reading->second.Last = std::move(request); // the latest request wins
            return 0;
        }
        auto it = windows_.find(path);
        if (it != windows_.end() && (!it->second.Window || it->second.Changed != changed)) {
            delete it->second.Window.data(); // the file was replaced: read it again
            windows_.erase(it);
            it = windows_.end();
        }
        if (it != windows_.end()) {
            return Apply(it->second.Window, request);
        }
        StartReading(path, changed, std::move(request));
        return 0;
    }

    void CloseAll() {
        for (auto& [path, reading] : readings_) {
            reading.Cancel->store(true);
        }
        for (auto& [path, reading] : readings_) {
            reading.Worker.join(); // a cancelled reader is killed within moments
        }
        readings_.clear();
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
    struct Reading {
        std::uint64_t Serial = 0;
        std::thread Worker;
        std::shared_ptr<std::atomic<bool>> Cancel;
        std::filesystem::file_time_type Changed;
        Request Last;
    };

    /// Reads the help file on a thread of its own: the reader program is
    /// started, waited for and its stream parsed there, so the 50 ms display
    /// keeps running whatever the file does.
    void StartReading(const std::string& path, std::filesystem::file_time_type changed,
                      Request request) {
        if (!postRoutine_) {
            qAddPostRoutine(&Engine::ApplicationEnds);
            postRoutine_ = true;
        }
        if (!receiver_) {
            receiver_ = std::make_unique<QObject>();
        }
        Reading& reading = readings_[path];
        reading.Serial = ++serials_;
        reading.Cancel = std::make_shared<std::atomic<bool>>(false);
        reading.Changed = changed;
        reading.Last = std::move(request);
        if (libraryFolder_.empty()) {
            libraryFolder_ = ThisLibraryFolder();
        }
        // The reading thread never takes the dynamic loader's lock, so that
        // joining it can never wait on the unloading of this library.
        reading.Worker = std::thread([path, serial = reading.Serial, cancel = reading.Cancel,
                                      receiver = receiver_.get(), folder = libraryFolder_] {
            ChmReaderOptions options;
            options.Program = FindChmReader(folder);
            options.Cancel = cancel.get();
            auto result = std::make_shared<ChmHelpFileResult>(ChmHelpFile::Open(path, options));
            // Posted to the receiver: dropped unread if the engine goes first.
            QMetaObject::invokeMethod(
                receiver, [path, serial, result] { Instance().Arrived(path, serial, *result); },
                Qt::QueuedConnection);
        });
    }

    /// The result of a reading, on the user-interface thread.
    void Arrived(const std::string& path, std::uint64_t serial, ChmHelpFileResult& result) {
        const auto it = readings_.find(path);
        if (it == readings_.end() || it->second.Serial != serial) {
            return; // closed or started again meanwhile
        }
        it->second.Worker.join(); // it has handed its result over: ends at once
        const Request request = std::move(it->second.Last);
        const auto changed = it->second.Changed;
        readings_.erase(it);
        switch (result.Status) {
        case ChmReadStatus::Read: {
            auto* window = new HelpWindow(std::move(*result.File));
            PlaceBeside(window, request.Caller);
            windows_[path] = {window, changed};
            Apply(window, request);
            break;
        }
        case ChmReadStatus::CannotOpen:
            Tell(std::string(kHelpFileUnreadable) + " " + path);
            break;
        case ChmReadStatus::Damaged:
            Tell(std::string(kHelpFileDamaged) + " " + path);
            break;
        case ChmReadStatus::ReaderMissing:
            Tell(kHelpReaderMissing);
            break;
        case ChmReadStatus::Cancelled:
            break;
        }
    }

    /// Carries out a request on the window of its help file and shows it.
    std::uintptr_t Apply(HelpWindow* window, const Request& request) {
        switch (request.Command) {
        case kHhDisplayTopic: {
            const std::string& topic = request.Topic;
            if (!window->ShowTopic(topic.empty() ? window->File().DefaultTopic() : topic)) {
                Tell("Help topic not found: " + topic);
                window->ShowContents();
            }
            break;
        }
        case kHhDisplayContents:
            window->ShowContents();
            break;
        case kHhDisplayIndex:
            if (!window->ShowIndex(request.Keyword) && window->CurrentTopic().empty()) {
                window->ShowTopic(window->File().DefaultTopic());
            }
            break;
        case kHhHelpContext: {
            const std::optional<std::string> target =
                window->File().TopicForContext(request.Context);
            if (!target || !window->ShowTopic(*target)) {
                Tell("No help topic for context " + std::to_string(request.Context));
                window->ShowContents();
            }
            break;
        }
        default:
            break;
        }
        window->show();
        window->raise();
        window->activateWindow();
        return reinterpret_cast<std::uintptr_t>(window);
    }

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
    std::map<std::string, Reading> readings_;
    std::uint64_t serials_ = 0;
    std::string libraryFolder_;         ///< where the reader program is looked for first
    std::unique_ptr<QObject> receiver_; ///< receives the results of the readings
    HtmlHelpReportFunction report_ = nullptr;
    void* context_ = nullptr;
    bool postRoutine_ = false;
};

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
    switch (command) {
    case kHhDisplayTopic:
    case kHhDisplayContents:
    case kHhDisplayIndex:
    case kHhHelpContext:
        break;
    default:
        return 0;
    }
    std::string file = fileArgument != nullptr ? fileArgument : "";
    Request request;
    request.Command = command;
    request.Caller = caller;
    if (command == kHhDisplayTopic) {
        const auto sep = file.find(kTopicSeparator);
        if (sep != std::string::npos) {
            request.Topic = file.substr(sep + 2);
            file.erase(sep);
        }
    } else if (command == kHhDisplayIndex) {
        // The index command's data is the keyword's address, valid only
        // during this call.
        const char* keyword =
            reinterpret_cast<const char*>(data); // NOLINT(performance-no-int-to-ptr)
        request.Keyword = keyword != nullptr ? keyword : "";
    } else if (command == kHhHelpContext) {
        request.Context = static_cast<std::uint32_t>(data);
    }
    return engine.Submit(file, std::move(request));
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
