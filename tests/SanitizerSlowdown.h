#pragma once

// Time limits of tests that time things, for the build they run in. The
// sanitizer build (VANTREL_SANITIZE) starts every program several times more
// slowly (shadow memory is mapped at each start) and runs instrumented code
// two to five times more slowly; its limits are this many times as long. The
// normal build keeps its own limits unchanged.

namespace vantrel::test {

#if defined(VANTREL_SANITIZE)
inline constexpr int kSanitizerSlowdown = 5;
#else
inline constexpr int kSanitizerSlowdown = 1;
#endif

} // namespace vantrel::test
