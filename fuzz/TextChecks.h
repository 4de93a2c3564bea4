#pragma once

// Properties of texts that the fuzz targets check: well-formed UTF-8, and a
// message line a terminal shows as it is.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vantrel::fuzz {

/// Whether `s` is well-formed UTF-8: no overlong forms, no surrogates,
/// nothing above U+10FFFF.
inline bool ValidUtf8(std::string_view s) {
    std::size_t i = 0;
    while (i < s.size()) {
        const auto c = static_cast<unsigned char>(s[i]);
        if (c < 0x80) {
            ++i;
            continue;
        }
        std::size_t n = 0;
        std::uint32_t cp = 0;
        if (c >= 0xC2 && c <= 0xDF) {
            n = 1;
            cp = c & 0x1FU;
        } else if (c >= 0xE0 && c <= 0xEF) {
            n = 2;
            cp = c & 0x0FU;
        } else if (c >= 0xF0 && c <= 0xF4) {
            n = 3;
            cp = c & 0x07U;
        } else {
            return false;
        }
        if (i + n >= s.size()) {
            return false;
        }
        for (std::size_t k = 1; k <= n; ++k) {
            const auto t = static_cast<unsigned char>(s[i + k]);
            if ((t & 0xC0U) != 0x80U) {
                return false;
            }
            cp = (cp << 6) | (t & 0x3FU);
        }
        if ((n == 2 && cp < 0x800) || (n == 3 && cp < 0x10000) || cp > 0x10FFFF ||
            (cp >= 0xD800 && cp <= 0xDFFF)) {
            return false;
        }
        i += n + 1;
    }
    return true;
}

/// Whether `s` is one line that cannot steer a terminal: valid UTF-8
/// without C0 controls, DEL or C1 controls.
inline bool SafeLine(std::string_view s) {
    if (!ValidUtf8(s)) {
        return false;
    }
    for (std::size_t i = 0; i < s.size(); ++i) {
        const auto c = static_cast<unsigned char>(s[i]);
        if (c < 0x20 || c == 0x7F) {
            return false;
        }
        if (c == 0xC2 && i + 1 < s.size() && static_cast<unsigned char>(s[i + 1]) < 0xA0) {
            return false;
        }
    }
    return true;
}

/// The fuzzer's bytes as the arguments of a command line (without the
/// program name): split at zero bytes, the one byte no argument can hold.
inline std::vector<std::string_view> SplitArguments(const std::uint8_t* data, std::size_t size) {
    std::vector<std::string_view> args;
    const std::string_view all(reinterpret_cast<const char*>(data), size);
    std::size_t start = 0;
    while (start <= all.size() && !all.empty()) {
        const std::size_t end = all.find('\0', start);
        if (end == std::string_view::npos) {
            args.push_back(all.substr(start));
            break;
        }
        args.push_back(all.substr(start, end - start));
        start = end + 1;
    }
    return args;
}

} // namespace vantrel::fuzz
