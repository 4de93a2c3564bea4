#include "help/LibraryLoader.h"
#include "help/ProcessPaths.h"

#include <dlfcn.h>

namespace vantrel {

namespace {

class SystemLibraryLoader final : public LibraryLoader {
public:
    Handle Load(const std::string& name) override {
        if (name.empty()) {
            return nullptr;
        }
        if (name.find('/') == std::string::npos) {
            const std::string own = ExecutableDirectory();
            if (!own.empty()) {
                if (Handle h = dlopen((own + "/" + name).c_str(), RTLD_NOW | RTLD_LOCAL)) {
                    return h;
                }
            }
        }
        return dlopen(name.c_str(), RTLD_NOW | RTLD_LOCAL);
    }
    void* Resolve(Handle library, const char* symbol) override {
        return library != nullptr ? dlsym(library, symbol) : nullptr;
    }
    void Unload(Handle library) override {
        if (library != nullptr) {
            dlclose(library);
        }
    }
};

} // namespace

std::shared_ptr<LibraryLoader> MakeSystemLibraryLoader() {
    return std::make_shared<SystemLibraryLoader>();
}

} // namespace vantrel
