#include "help/engine/Sitemap.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <optional>
#include <utility>

namespace vantrel {

namespace {

/// Lists nested deeper than this are read as this deep: no help file needs
/// more, and a damaged one cannot make the readers recurse without end.
constexpr int kMaxDepth = 32;
/// U+FFFD, the character that stands for one that cannot be shown.
constexpr std::uint32_t kReplacementCharacter = 0xFFFD;

/// Longest entity between "&" and ";", in characters: "#x10FFFF" and every
/// named entity read here fit; longer runs are plain text.
constexpr std::size_t kMaxEntityBody = 9;

std::string Lower(std::string_view s) {
    std::string out(s);
    std::transform(out.begin(), out.end(), out.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return out;
}

void AppendUtf8(std::string& out, std::uint32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x110000) {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

std::optional<std::uint32_t> NumericEntity(std::string_view body) {
    // body without "&#" and ";"
    int base = 10;
    if (!body.empty() && (body.front() == 'x' || body.front() == 'X')) {
        base = 16;
        body.remove_prefix(1);
    }
    if (body.empty() || body.size() > 8) {
        return std::nullopt;
    }
    std::uint32_t value = 0;
    for (const char c : body) {
        int digit = -1;
        if (c >= '0' && c <= '9') {
            digit = c - '0';
        } else if (base == 16 && c >= 'a' && c <= 'f') {
            digit = c - 'a' + 10;
        } else if (base == 16 && c >= 'A' && c <= 'F') {
            digit = c - 'A' + 10;
        }
        if (digit < 0) {
            return std::nullopt;
        }
        value = value * static_cast<std::uint32_t>(base) + static_cast<std::uint32_t>(digit);
    }
    return value;
}

/// One tag: its lower-case name ("ul", "/ul", "object", "param") and its
/// attributes with lower-case names.
struct Tag {
    std::string Name;
    std::vector<std::pair<std::string, std::string>> Attributes;

    std::string Attribute(std::string_view name) const {
        for (const auto& [n, v] : Attributes) {
            if (n == name) {
                return v;
            }
        }
        return {};
    }
};

bool IsSpace(char c) {
    return std::isspace(static_cast<unsigned char>(c)) != 0;
}

/// Reads the tag starting after "<" at `pos`; leaves `pos` after its ">".
Tag ReadTag(std::string_view html, std::size_t& pos) {
    Tag tag;
    const auto nameEnd = [&](char c) {
        return IsSpace(c) || c == '>' || (c == '/' && !tag.Name.empty());
    };
    while (pos < html.size() && !nameEnd(html[pos])) {
        tag.Name += static_cast<char>(std::tolower(static_cast<unsigned char>(html[pos])));
        ++pos;
    }
    while (pos < html.size() && html[pos] != '>') {
        if (IsSpace(html[pos]) || html[pos] == '/') {
            ++pos;
            continue;
        }
        std::string name;
        while (pos < html.size() && !IsSpace(html[pos]) && html[pos] != '=' && html[pos] != '>') {
            name += static_cast<char>(std::tolower(static_cast<unsigned char>(html[pos])));
            ++pos;
        }
        while (pos < html.size() && IsSpace(html[pos])) {
            ++pos;
        }
        std::string value;
        if (pos < html.size() && html[pos] == '=') {
            ++pos;
            while (pos < html.size() && IsSpace(html[pos])) {
                ++pos;
            }
            if (pos < html.size() && (html[pos] == '"' || html[pos] == '\'')) {
                const char quote = html[pos++];
                const auto end = html.find(quote, pos);
                const auto stop = end == std::string_view::npos ? html.size() : end;
                value = DecodeHtmlEntities(html.substr(pos, stop - pos));
                pos = stop == html.size() ? stop : stop + 1;
            } else {
                const auto start = pos;
                while (pos < html.size() && !IsSpace(html[pos]) && html[pos] != '>') {
                    ++pos;
                }
                value = DecodeHtmlEntities(html.substr(start, pos - start));
            }
        }
        if (!name.empty()) {
            tag.Attributes.emplace_back(std::move(name), std::move(value));
        }
    }
    if (pos < html.size()) {
        ++pos; // the ">"
    }
    return tag;
}

/// Puts `entry` at `depth` (1 for the outermost list) of the tree.
void Place(std::vector<SitemapEntry>& roots, int depth, SitemapEntry entry) {
    std::vector<SitemapEntry>* level = &roots;
    for (int d = 1; d < depth && !level->empty(); ++d) {
        level = &level->back().Children;
    }
    level->push_back(std::move(entry));
}

} // namespace

std::string DecodeHtmlEntities(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '&') {
            out += text[i];
            continue;
        }
        // Only the few characters an entity can span are searched for its
        // ";": a text full of "&" is then read in linear time.
        const std::string_view window = text.substr(i + 1, kMaxEntityBody + 1);
        const auto bodyLength = window.find(';');
        if (bodyLength == std::string_view::npos) {
            out += '&';
            continue;
        }
        const std::string_view body = window.substr(0, bodyLength);
        const std::size_t semi = i + 1 + bodyLength;
        std::optional<std::uint32_t> cp;
        if (!body.empty() && body.front() == '#') {
            cp = NumericEntity(body.substr(1));
        } else {
            const std::string name = Lower(body);
            if (name == "amp") {
                cp = '&';
            } else if (name == "lt") {
                cp = '<';
            } else if (name == "gt") {
                cp = '>';
            } else if (name == "quot") {
                cp = '"';
            } else if (name == "apos") {
                cp = '\'';
            } else if (name == "nbsp") {
                cp = 0xA0;
            }
        }
        if (!cp) {
            out += '&';
            continue;
        }
        // A number that names no character (zero, a surrogate, beyond
        // U+10FFFF) stands for U+FFFD, as browsers read it: the text stays
        // valid UTF-8 and the place of the entity stays visible.
        if (*cp == 0 || (*cp >= 0xD800 && *cp <= 0xDFFF) || *cp > 0x10FFFF) {
            cp = kReplacementCharacter;
        }
        AppendUtf8(out, *cp);
        i = semi;
    }
    return out;
}

std::vector<SitemapEntry> ParseSitemap(std::string_view html) {
    std::vector<SitemapEntry> roots;
    int depth = 0;
    std::optional<SitemapEntry> current; // inside a text/sitemap object
    std::size_t pos = 0;
    while ((pos = html.find('<', pos)) != std::string_view::npos) {
        ++pos;
        if (html.substr(pos, 3) == "!--") {
            const auto end = html.find("-->", pos + 3);
            pos = end == std::string_view::npos ? html.size() : end + 3;
            continue;
        }
        const Tag tag = ReadTag(html, pos);
        if (tag.Name == "ul") {
            ++depth;
        } else if (tag.Name == "/ul") {
            depth = std::max(0, depth - 1);
        } else if (tag.Name == "object") {
            if (Lower(tag.Attribute("type")) == "text/sitemap") {
                current.emplace();
            }
        } else if (tag.Name == "/object") {
            if (current) {
                if (!current->Name.empty() || !current->Locals.empty()) {
                    Place(roots, std::clamp(depth, 1, kMaxDepth), std::move(*current));
                }
                current.reset();
            }
        } else if (tag.Name == "param" && current) {
            const std::string name = Lower(tag.Attribute("name"));
            if (name == "name" && current->Name.empty()) {
                current->Name = tag.Attribute("value");
            } else if (name == "local") {
                current->Locals.push_back(tag.Attribute("value"));
            }
        }
    }
    return roots;
}

} // namespace vantrel
