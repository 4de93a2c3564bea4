#pragma once

#include "help/HelpViewer.h"
#include "help/HtmlHelpApi.h"
#include "help/HtmlHelpViewer.h"
#include "help/LibraryLoader.h"

#include <string>
#include <vector>

namespace vantrel {

/// One call of the fake engine's `HtmlHelpA`, with the keyword of command 2
/// copied while it was valid.
struct EngineCall {
    std::uintptr_t Caller = 0;
    std::string File;
    bool NullFile = false;
    unsigned Command = 0;
    std::uintptr_t Data = 0;
    std::string Keyword;
};

/// A help engine library in memory: what `HtmlHelpA` was asked, and the
/// reporter the viewer installed. One per test; the entries are plain
/// functions, so the state is global to the test program.
struct FakeEngine {
    static std::vector<EngineCall> calls;
    static HtmlHelpReportFunction report;
    static void* reportContext;
    static void Reset() {
        calls.clear();
        report = nullptr;
        reportContext = nullptr;
    }
    static std::uintptr_t HtmlHelp(std::uintptr_t caller, const char* file, unsigned command,
                                   std::uintptr_t data);
    static void SetReporter(HtmlHelpReportFunction r, void* context) {
        report = r;
        reportContext = context;
    }
};

/// Loads the fake engine under its real name; can be told that the library
/// is missing, or lacks its entries.
class FakeLoader final : public LibraryLoader {
public:
    bool libraryPresent = true;
    bool entryPresent = true;
    std::vector<std::string> loaded;
    int unloaded = 0;
    std::vector<EngineCall> callsBeforeUnload; ///< the engine's calls when it was unloaded

    Handle Load(const std::string& name) override {
        loaded.push_back(name);
        return libraryPresent && name == kHtmlHelpEngineLibrary ? &token_ : nullptr;
    }
    void* Resolve(Handle library, const char* symbol) override {
        if (library != &token_ || !entryPresent) {
            return nullptr;
        }
        const std::string s(symbol);
        if (s == kHtmlHelpEntry) {
            return reinterpret_cast<void*>(&FakeEngine::HtmlHelp);
        }
        if (s == kHtmlHelpSetReporterEntry) {
            return reinterpret_cast<void*>(&FakeEngine::SetReporter);
        }
        return nullptr;
    }
    void Unload(Handle library) override {
        if (library == &token_) {
            ++unloaded;
            callsBeforeUnload = FakeEngine::calls;
        }
    }

private:
    int token_ = 0;
};

/// The application's side of the help file rule.
class FakeApplication final : public HelpApplication {
public:
    std::string helpFile;
    std::string executableDirectory = "/opt/vantrel";
    std::string CurrentHelpFile() const override { return helpFile; }
    std::string ExecutableDirectory() const override { return executableDirectory; }
};

/// The dispatcher as one viewer sees it.
class FakeManager final : public HelpManager {
public:
    HelpWindowHandle caller = 0;
    std::string helpFile;
    std::vector<int> released;
    HelpWindowHandle CallerWindow() const override { return caller; }
    std::string HelpFile() const override { return helpFile; }
    void Release(int viewerId) override { released.push_back(viewerId); }
};

} // namespace vantrel
