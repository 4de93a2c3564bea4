#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vantrel {

/// `text` as one CSV field: as it is when it holds no comma, quote or line
/// break, else in double quotes with its quotes doubled. The logs are read
/// line by line (a damaged line costs that line alone), so a line break in
/// a text would cut its record in two: it is written as a blank.
std::string CsvQuoted(std::string_view text);

/// Where a field lies in its line: [Begin, End), quotes included.
struct CsvFieldSpan {
    std::size_t Begin = 0;
    std::size_t End = 0;
};

/// The fields of one CSV line (without its line break), unquoted; nothing
/// when a quote is not closed. A quote counts only at a field's start.
/// `spans`, when given, receives where each field lies in the line.
std::optional<std::vector<std::string>> CsvFields(std::string_view line,
                                                  std::vector<CsvFieldSpan>* spans = nullptr);

/// The next line of `text` without its line break (and a CR before it);
/// `text` moves past it.
std::string_view NextCsvLine(std::string_view& text);

/// Reads a log's records line by line, a damaged line costing that line
/// alone: empty lines and headers (lines that begin with `header`) are
/// passed over; a line whose quote is not closed, that has fewer than
/// `fieldCount` fields, or that `record` refuses (it returns why) is noted
/// in `skipped` as "line N skipped: why". Columns beyond `fieldCount` are
/// those of a later version and are handed on for `record` to ignore.
void ReadCsvRecords(
    std::string_view text, std::string_view header, std::size_t fieldCount,
    std::vector<std::string>& skipped,
    const std::function<std::optional<std::string>(const std::vector<std::string>&)>& record);

} // namespace vantrel
