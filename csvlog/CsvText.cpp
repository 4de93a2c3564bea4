#include "csvlog/CsvText.h"

namespace vantrel {

std::string CsvQuoted(std::string_view text) {
    if (text.find_first_of(",\"\r\n") == std::string_view::npos) {
        return std::string(text);
    }
    std::string q = "\"";
    for (char c : text) {
        if (c == '\r' || c == '\n') {
            c = ' ';
        }
        q += c;
        if (c == '"') {
            q += '"';
        }
    }
    q += '"';
    return q;
}

std::optional<std::vector<std::string>> CsvFields(std::string_view line,
                                                  std::vector<CsvFieldSpan>* spans) {
    std::vector<std::string> fields(1);
    if (spans != nullptr) {
        spans->assign(1, CsvFieldSpan{});
    }
    bool quoted = false;
    for (std::size_t i = 0; i < line.size(); ++i) {
        const char c = line[i];
        if (quoted) {
            if (c == '"' && i + 1 < line.size() && line[i + 1] == '"') {
                fields.back() += '"';
                ++i;
            } else if (c == '"') {
                quoted = false;
            } else {
                fields.back() += c;
            }
        } else if (c == '"' && fields.back().empty()) {
            quoted = true;
        } else if (c == ',') {
            if (spans != nullptr) {
                spans->back().End = i;
                spans->push_back({i + 1, i + 1});
            }
            fields.emplace_back();
        } else {
            fields.back() += c;
        }
    }
    if (quoted) {
        return std::nullopt;
    }
    if (spans != nullptr) {
        spans->back().End = line.size();
    }
    return fields;
}

std::string_view NextCsvLine(std::string_view& text) {
    const std::size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
    if (!line.empty() && line.back() == '\r') {
        line.remove_suffix(1);
    }
    return line;
}

} // namespace vantrel
