#include "tests/help/FakeHelpEngine.h"

namespace vantrel {

std::vector<EngineCall> FakeEngine::calls;
HtmlHelpReportFunction FakeEngine::report = nullptr;
void* FakeEngine::reportContext = nullptr;

std::uintptr_t FakeEngine::HtmlHelp(std::uintptr_t caller, const char* file, unsigned command,
                                    std::uintptr_t data) {
    EngineCall call;
    call.Caller = caller;
    call.NullFile = file == nullptr;
    call.File = file != nullptr ? file : "";
    call.Command = command;
    call.Data = data;
    if (command == kHhDisplayIndex && data != 0) {
        call.Keyword = reinterpret_cast<const char*>(data);
    }
    calls.push_back(call);
    return 1;
}

} // namespace vantrel
