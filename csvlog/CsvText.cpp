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

void ReadCsvRecords(
    std::string_view text, std::string_view header, std::size_t fieldCount,
    std::vector<std::string>& skipped,
    const std::function<std::optional<std::string>(const std::vector<std::string>&)>& record) {
    std::size_t lineNumber = 0;
    while (!text.empty()) {
        const std::string_view line = NextCsvLine(text);
        ++lineNumber;
        if (line.empty() || line.starts_with(header)) {
            continue;
        }
        const auto fields = CsvFields(line);
        std::optional<std::string> problem;
        if (!fields) {
            problem = "a quote is not closed";
        } else if (fields->size() < fieldCount) {
            problem = "at least " + std::to_string(fieldCount) + " fields expected, " +
                      std::to_string(fields->size()) + " found";
        } else {
            problem = record(*fields);
        }
        if (problem) {
            skipped.push_back("line " + std::to_string(lineNumber) + " skipped: " + *problem);
        }
    }
}

} // namespace vantrel
