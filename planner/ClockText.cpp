#include "planner/ClockText.h"

namespace vantrel {

namespace {

void AppendTwoDigits(std::string& s, unsigned v) {
    s.push_back(static_cast<char>('0' + v / 10 % 10));
    s.push_back(static_cast<char>('0' + v % 10));
}

} // namespace

void AppendHourMinute(std::string& text, const DecodedInstant& t) {
    AppendTwoDigits(text, t.Hour);
    AppendTwoDigits(text, t.Minute);
}

void AppendSecond(std::string& text, const DecodedInstant& t) {
    AppendTwoDigits(text, t.Second);
}

} // namespace vantrel
