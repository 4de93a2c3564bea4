#pragma once

// What the targets of the program's CSV logs (power, scans, measurements)
// check alike: any text reads without failing, and a record written as a
// line reads back alone.

#include "fuzz/FuzzCheck.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace vantrel::fuzz {

/// Reads `text` with `parse` (a log with `Records` and `Skipped` notes):
/// no more records and notes than `text` has lines, every note one line
/// "line N: ...", and `check` holds for every record.
template <class Log, class Check>
void CheckLogText(std::string_view text, Log (*parse)(std::string_view), Check check) {
    const Log log = parse(text);
    const auto lines = static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n')) + 1;
    FUZZ_CHECK(log.Records.size() + log.Skipped.size() <= lines);
    for (const auto& r : log.Records) {
        check(r);
    }
    for (const std::string& note : log.Skipped) {
        FUZZ_CHECK(note.starts_with("line ") && note.find('\n') == std::string::npos);
    }
}

/// The record `line` gives read after `header` by `parse`: `line` is one
/// line, and it reads back as one record with nothing passed over.
template <class Log>
auto ReadBackAlone(std::string_view header, const std::string& line,
                   Log (*parse)(std::string_view)) {
    FUZZ_CHECK(line.find_first_of("\r\n") == std::string::npos);
    const Log back = parse(std::string(header) + "\n" + line + "\n");
    FUZZ_CHECK(back.Skipped.empty());
    FUZZ_CHECK(back.Records.size() == 1);
    return back.Records.front();
}

/// The entry of a log target: the first byte chooses between reading the
/// rest as a log and writing a record made from it.
inline int ReadOrWriteLog(const std::uint8_t* data, std::size_t size,
                          void (*read)(std::string_view), void (*write)(ByteReader&)) {
    ByteReader in(data, size);
    if ((in.Take<std::uint8_t>() & 1U) == 0) {
        read(in.Rest());
    } else {
        write(in);
    }
    return 0;
}

} // namespace vantrel::fuzz
