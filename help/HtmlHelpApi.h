#pragma once

#include <cstdint>

/// The entries of the HTML help engine library, `libVantrelHtmlHelp.so`.
/// The program loads the library by name at start-up and finds the entries
/// by these names; the library exports nothing else.
extern "C" {

/// Carries out one help command.
///
/// Given:
///   caller   the window the request comes from: the address of a QWidget of
///            the calling program, or 0; the help window opens beside it
///   file     the help file for commands 1, 2 and 15; for command 0 the help
///            file, "::/" and the topic (".../Vantrel.chm::/planning.htm");
///            null for command 18
///   command  one of the `HtmlHelpCommand` values
///   data     command 2: the address of the keyword as a zero-terminated
///            text; command 15: the context number; otherwise 0
/// Returned:
///   an identifier of the help window that shows the result, 0 when nothing
///   is shown yet: either the engine has said why through its reporter, or
///   the help file is still being read (off the calling thread) and its
///   window opens with the result once it has been; a reading that fails
///   is said through the reporter then
using HtmlHelpFunction = std::uintptr_t (*)(std::uintptr_t caller, const char* file,
                                            unsigned command, std::uintptr_t data);

/// Receives what the engine has to tell the user ("Help file not found: ...").
using HtmlHelpReportFunction = void (*)(void* context, const char* text);

/// Installs the receiver of the engine's messages; a null `report` brings
/// back the engine's own message boxes.
using HtmlHelpSetReporterFunction = void (*)(HtmlHelpReportFunction report, void* context);
}

namespace vantrel {

/// File name of the HTML help engine library.
inline constexpr const char* kHtmlHelpEngineLibrary = "libVantrelHtmlHelp.so";
/// Names of its entries.
inline constexpr const char* kHtmlHelpEntry = "HtmlHelpA";
inline constexpr const char* kHtmlHelpSetReporterEntry = "HtmlHelpSetReporter";

/// The commands of `HtmlHelpFunction`.
enum HtmlHelpCommand : unsigned {
    kHhDisplayTopic = 0,    ///< show a topic: file "help.chm::/topic.htm", data 0
    kHhDisplayContents = 1, ///< show the table of contents: file, data 0
    kHhDisplayIndex = 2,    ///< show the index at a keyword: file, data the keyword
    kHhHelpContext = 15,    ///< show the topic of a context number: file, data the number
    kHhCloseAll = 18,       ///< close every help window: no file, data 0, caller 0
};

/// Separates the help file from the topic in the file argument of command 0.
inline constexpr const char* kTopicSeparator = "::/";

/// Texts the user reads when help cannot be shown.
inline constexpr const char* kHelpFileNotFound = "Help file not found:";
inline constexpr const char* kHelpFileUnreadable = "The help file cannot be read:";
inline constexpr const char* kHelpFileDamaged = "The help file is damaged:";
inline constexpr const char* kHelpReaderMissing =
    "Help is not available: the help file reader could not be started.";
inline constexpr const char* kHelpEngineMissing =
    "Help is not available: the help viewer could not be loaded.";

} // namespace vantrel
