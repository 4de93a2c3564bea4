#pragma once

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

} // namespace vantrel
