#pragma once

#include <functional>
#include <string>
#include <string_view>

namespace vantrel {

/// Tells whether a regular file exists at a path; tests give their own.
using FileExists = std::function<bool(const std::string& path)>;

/// The application's help file "Vantrel.chm" (`fileName`), chosen in this
/// order:
/// 1. in `currentDirectory`, when `exists` finds it there: a user's own copy
///    in the working folder wins, as it always has;
/// 2. in the installed help folder `helpFolderFromPrograms`, a path relative
///    to `executableDirectory` (for the installed program "../share/vantrel",
///    so /usr/bin/vantrel reads /usr/share/vantrel/Vantrel.chm and a tree
///    unpacked elsewhere reads its own copy), when `exists` finds it there;
/// 3. otherwise the name in `currentDirectory`, so the help engine says which
///    file it could not find.
/// Every result is an absolute path when `currentDirectory` is, written
/// without "." or ".." parts. An empty `executableDirectory` skips step 2.
std::string ChooseApplicationHelpFile(std::string_view fileName, std::string_view currentDirectory,
                                      std::string_view executableDirectory,
                                      std::string_view helpFolderFromPrograms,
                                      const FileExists& exists);

/// `FileExists` of the file system: a regular file, links followed.
bool RegularFileExists(const std::string& path);

} // namespace vantrel
