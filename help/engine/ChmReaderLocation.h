#pragma once

#include <string>

namespace vantrel {

/// The folder of the shared library this function is part of (or of the
/// executable, when it is linked in); empty when unknown. Asks the dynamic
/// loader, whose lock it takes, and not the file system: call it on the
/// thread that loads and unloads the library, never on a thread that such a
/// call waits for.
std::string ThisLibraryFolder();

/// The path of the help file reader program (`kChmReaderProgram`): in
/// `libraryFolder`, else beside the running executable; empty when neither
/// folder holds an executable file of that name. Looks at the file system:
/// call it off the user-interface thread.
std::string FindChmReader(const std::string& libraryFolder);

} // namespace vantrel
