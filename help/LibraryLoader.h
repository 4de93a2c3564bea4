#pragma once

#include <memory>
#include <string>

namespace vantrel {

/// Loads shared libraries by name and finds their entries: the help viewer's
/// way to the help engine, which tests replace with a fake.
class LibraryLoader {
public:
    using Handle = void*;

    virtual ~LibraryLoader() = default;
    /// The loaded library, or null when it cannot be loaded.
    virtual Handle Load(const std::string& name) = 0;
    /// The address of entry `symbol` of a loaded library, or null.
    virtual void* Resolve(Handle library, const char* symbol) = 0;
    virtual void Unload(Handle library) = 0;
};

/// The system's loader (dlopen). A name without "/" is looked for first in
/// the directory of the running program, where the build puts the program's
/// own libraries, then along the system's library search path.
std::shared_ptr<LibraryLoader> MakeSystemLibraryLoader();

} // namespace vantrel
