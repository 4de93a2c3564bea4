#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace vantrel {

/// `text` made safe to show on one line of a terminal, for echoing what a
/// user or a file supplied in a message.
///
/// - C0 controls and DEL are written as escapes: "\n", "\r", "\t", "\a",
///   "\b", "\f", "\v", and "\xHH" for the others ("\x1b" for ESC, "\x00",
///   "\x7f").
/// - A backslash is written "\\", so every escape reads back unambiguously.
/// - Well-formed UTF-8 is kept as it is, except the C1 controls U+0080 to
///   U+009F (a terminal takes U+009B as the start of a control sequence),
///   written "\u0080" to "\u009f".
/// - Each byte that is not part of well-formed UTF-8 (a stray continuation
///   byte, a cut or overlong sequence, a surrogate, a code point beyond
///   U+10FFFF) is written "\xHH".
std::string TerminalSafe(std::string_view text);

/// A text of the station record (8-bit characters, ISO 8859-1, as the
/// station window stores them) as UTF-8, with its controls escaped as
/// `TerminalSafe` escapes them: what the tools print for a call sign, a
/// location or a source name read from the data file.
std::string StationTextForOutput(std::string_view latin1);

/// True when `text` is well-formed UTF-8 (the table of the Unicode Standard,
/// chapter 3) holding no C0 control, no DEL and no C1 control: a name fit to
/// stand in a table row.
bool IsPlainUtf8(std::string_view text);

/// The longest start of the well-formed UTF-8 `text` holding at most
/// `characters` characters (code points): never cut inside a character.
std::string_view Utf8Prefix(std::string_view text, std::size_t characters);

} // namespace vantrel
