#include "help/HelpFileRule.h"

#include <algorithm>
#include <cctype>

namespace vantrel {

namespace {

std::string Lower(std::string_view s) {
    std::string out(s);
    std::transform(out.begin(), out.end(), out.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return out;
}

/// Blanks and control characters: every character up to and including " ".
bool IsTrimmed(char c) {
    return static_cast<unsigned char>(c) <= ' ';
}

} // namespace

std::string_view NameExtension(std::string_view name) {
    const auto dot = name.rfind('.');
    if (dot == std::string_view::npos) {
        return {};
    }
    const auto slash = name.rfind('/');
    if (slash != std::string_view::npos && slash > dot) {
        return {};
    }
    return name.substr(dot);
}

bool IsCompiledHtmlHelpName(std::string_view fileName) {
    return Lower(NameExtension(fileName)) == kCompiledHelpExtension;
}

std::string WithExecutableDirectory(std::string_view fileName,
                                    std::string_view executableDirectory) {
    if (fileName.find('/') != std::string_view::npos) {
        return std::string(fileName);
    }
    std::string path(executableDirectory);
    if (path.empty() || path.back() != '/') {
        path += '/';
    }
    path += fileName;
    return path;
}

std::string TopicWithExtension(std::string_view topic, std::string_view defaultExtension) {
    const std::string ext = Lower(NameExtension(topic));
    std::string result(topic);
    if (ext != ".htm" && ext != ".html") {
        result += defaultExtension;
    }
    return result;
}

std::string KeywordOfEntry(std::string_view entry) {
    const auto colon = entry.find(':');
    if (colon != std::string_view::npos) {
        entry.remove_prefix(colon + 1);
    }
    while (!entry.empty() && IsTrimmed(entry.front())) {
        entry.remove_prefix(1);
    }
    while (!entry.empty() && IsTrimmed(entry.back())) {
        entry.remove_suffix(1);
    }
    return std::string(entry);
}

std::string_view ViewerNameOfEntry(std::string_view entry) {
    return entry.substr(0, entry.find(':'));
}

} // namespace vantrel
