#include "tools/TerminalText.h"

#include <cstdint>

namespace vantrel {

namespace {

constexpr char kHexDigits[] = "0123456789abcdef";

void AppendHexByte(std::string& out, unsigned char byte) {
    out += "\\x";
    out += kHexDigits[byte >> 4U];
    out += kHexDigits[byte & 0xFU];
}

/// Length of the well-formed UTF-8 sequence starting `text` (2 to 4), or 0.
/// Follows the table of well-formed byte sequences of the Unicode Standard
/// (chapter 3, table 3-7): no overlong forms, no surrogates, nothing beyond
/// U+10FFFF.
std::size_t Utf8SequenceLength(std::string_view text) {
    const auto at = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const auto continuation = [&](std::size_t i, unsigned char lo, unsigned char hi) {
        return i < text.size() && at(i) >= lo && at(i) <= hi;
    };
    const unsigned char lead = at(0);
    if (lead >= 0xC2 && lead <= 0xDF) {
        return continuation(1, 0x80, 0xBF) ? 2 : 0;
    }
    if (lead >= 0xE0 && lead <= 0xEF) {
        const unsigned char lo = lead == 0xE0 ? 0xA0 : 0x80;
        const unsigned char hi = lead == 0xED ? 0x9F : 0xBF;
        return continuation(1, lo, hi) && continuation(2, 0x80, 0xBF) ? 3 : 0;
    }
    if (lead >= 0xF0 && lead <= 0xF4) {
        const unsigned char lo = lead == 0xF0 ? 0x90 : 0x80;
        const unsigned char hi = lead == 0xF4 ? 0x8F : 0xBF;
        return continuation(1, lo, hi) && continuation(2, 0x80, 0xBF) && continuation(3, 0x80, 0xBF)
                   ? 4
                   : 0;
    }
    return 0;
}

/// The letter of the C escape for a control that has one ('n' for a line
/// feed), 0 otherwise.
char NamedEscape(unsigned char c) {
    switch (c) {
    case '\a':
        return 'a';
    case '\b':
        return 'b';
    case '\t':
        return 't';
    case '\n':
        return 'n';
    case '\v':
        return 'v';
    case '\f':
        return 'f';
    case '\r':
        return 'r';
    default:
        return 0;
    }
}

} // namespace

std::string TerminalSafe(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    std::size_t i = 0;
    while (i < text.size()) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c >= 0x20 && c < 0x7F) {
            if (c == '\\') {
                out += '\\';
            }
            out += static_cast<char>(c);
            ++i;
            continue;
        }
        if (const char name = NamedEscape(c); name != 0) {
            out += '\\';
            out += name;
            ++i;
            continue;
        }
        if (c < 0x80) { // the other C0 controls and DEL
            AppendHexByte(out, c);
            ++i;
            continue;
        }
        const std::size_t length = Utf8SequenceLength(text.substr(i));
        if (length == 0) {
            AppendHexByte(out, c);
            ++i;
            continue;
        }
        if (length == 2 && c == 0xC2 && static_cast<unsigned char>(text[i + 1]) < 0xA0) {
            // U+0080..U+009F, the C1 controls.
            const auto second = static_cast<unsigned char>(text[i + 1]);
            out += "\\u00";
            out += kHexDigits[second >> 4U];
            out += kHexDigits[second & 0xFU];
        } else {
            out.append(text.substr(i, length));
        }
        i += length;
    }
    return out;
}

std::string StationTextForOutput(std::string_view latin1) {
    std::string utf8;
    utf8.reserve(latin1.size() * 2);
    for (const char ch : latin1) {
        const auto c = static_cast<unsigned char>(ch);
        if (c < 0x80) {
            utf8 += ch;
        } else { // U+0080..U+00FF in two bytes
            utf8 += static_cast<char>(0xC0U | (c >> 6U));
            utf8 += static_cast<char>(0x80U | (c & 0x3FU));
        }
    }
    return TerminalSafe(utf8);
}

bool IsPlainUtf8(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size()) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c < 0x80) {
            if (c < 0x20 || c == 0x7F) {
                return false;
            }
            ++i;
            continue;
        }
        const std::size_t length = Utf8SequenceLength(text.substr(i));
        if (length == 0 ||
            (length == 2 && c == 0xC2 && static_cast<unsigned char>(text[i + 1]) < 0xA0)) {
            return false;
        }
        i += length;
    }
    return true;
}

std::string_view Utf8Prefix(std::string_view text, std::size_t characters) {
    std::size_t count = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if ((static_cast<unsigned char>(text[i]) & 0xC0U) != 0x80U && count++ == characters) {
            return text.substr(0, i);
        }
    }
    return text;
}

} // namespace vantrel
