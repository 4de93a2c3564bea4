#include "receiverwin/UsedBlocks.h"

#include "csvlog/CsvText.h"
#include "csvlog/LogFile.h"
#include "radiometer/PowerLog.h"

#include <algorithm>

namespace vantrel {

namespace {

/// The flags column of the power log's header, from 0.
constexpr std::size_t kFlagsField = 22;
constexpr std::string_view kUsed = "used";

bool HasWord(std::string_view words, std::string_view word) {
    while (!words.empty()) {
        const std::size_t blank = words.find(' ');
        if (words.substr(0, blank) == word) {
            return true;
        }
        words = blank == std::string_view::npos ? std::string_view{} : words.substr(blank + 1);
    }
    return false;
}

} // namespace

std::optional<std::string> FlagBlocksUsed(const std::string& path,
                                          const std::vector<std::string>& utcStarts,
                                          std::size_t* marked) {
    std::size_t count = 0;
    const auto why = RewriteLog(
        path, "power log",
        [&](const std::string& text, std::string& updated) -> std::optional<std::string> {
            updated.clear();
            updated.reserve(text.size() + 8 * utcStarts.size());
            std::string_view rest = text;
            while (!rest.empty()) {
                const std::size_t begin = text.size() - rest.size();
                const std::string_view line = NextCsvLine(rest);
                const std::size_t end = text.size() - rest.size(); // past its line break
                std::vector<CsvFieldSpan> spans;
                const auto fields = line.starts_with(kPowerLogHeaderStart.substr(0, 10))
                                        ? std::nullopt
                                        : CsvFields(line, &spans);
                const bool wanted =
                    fields && fields->size() >= 13 &&
                    std::find(utcStarts.begin(), utcStarts.end(), (*fields)[0]) != utcStarts.end();
                if (!wanted) {
                    updated.append(text, begin, end - begin);
                    continue;
                }
                ++count;
                std::string changed(line);
                if (fields->size() > kFlagsField) {
                    const std::string& flags = (*fields)[kFlagsField];
                    if (!HasWord(flags, kUsed)) {
                        const std::string now =
                            flags.empty() ? std::string(kUsed) : std::string(kUsed) + ' ' + flags;
                        changed.replace(spans[kFlagsField].Begin,
                                        spans[kFlagsField].End - spans[kFlagsField].Begin, now);
                    }
                } else {
                    changed.append(kFlagsField - fields->size(), ',');
                    changed += ',';
                    changed += kUsed;
                }
                updated += changed;
                // The line break as it was (LF or CRLF; none at the very end).
                updated.append(text, begin + line.size(), end - begin - line.size());
            }
            return std::nullopt;
        });
    if (marked != nullptr) {
        *marked = count;
    }
    return why;
}

} // namespace vantrel
