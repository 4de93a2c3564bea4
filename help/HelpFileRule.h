#pragma once

#include <string>
#include <string_view>

namespace vantrel {

/// Extension of compiled HTML help files, compared without regard to case.
inline constexpr std::string_view kCompiledHelpExtension = ".chm";

/// The extension of a file or topic name: from its last "." to the end, when
/// that "." lies after the last "/"; empty otherwise ("notes" has none, and
/// neither has "v1.2/notes").
std::string_view NameExtension(std::string_view name);

/// True when `fileName` is a compiled HTML help file by its name alone: its
/// extension is ".chm" in any case ("vantrel.CHM" is, "vantrel.chm.bak" and
/// "vantrel" are not). The file is not looked at.
bool IsCompiledHtmlHelpName(std::string_view fileName);

/// `fileName` with `executableDirectory` in front when the name has no
/// directory part (no "/"), else the name unchanged. The directory may end in
/// "/" or not.
std::string WithExecutableDirectory(std::string_view fileName,
                                    std::string_view executableDirectory);

/// The topic as the help engine addresses it: unchanged when its extension,
/// lower-cased, is ".htm" or ".html"; otherwise with `defaultExtension`
/// appended ("orbits" → "orbits.htm", "orbits.txt" → "orbits.txt.htm").
std::string TopicWithExtension(std::string_view topic, std::string_view defaultExtension);

/// The keyword of a keyword entry "viewer name: keyword": everything up to and
/// including the first ":" removed (nothing when there is no ":"), then
/// blanks and control characters trimmed at both ends.
std::string KeywordOfEntry(std::string_view entry);

/// The viewer name of a keyword entry: the text before its first ":", or the
/// whole entry when it has none.
std::string_view ViewerNameOfEntry(std::string_view entry);

} // namespace vantrel
