#include "controls/PagePrefault.h"

#include <cstdint>
#include <system_error>

#if defined(__linux__)
#include <sys/mman.h>
#include <unistd.h>
#endif

namespace vantrel {

void PagePrefault::Start(void* begin, std::size_t bytes) {
#if defined(__linux__) && defined(MADV_POPULATE_WRITE)
    Wait();
    const auto page = static_cast<std::uintptr_t>(::sysconf(_SC_PAGESIZE));
    const auto first = (reinterpret_cast<std::uintptr_t>(begin) + page - 1) / page * page;
    const auto end = (reinterpret_cast<std::uintptr_t>(begin) + bytes) / page * page;
    if (end <= first || end - first < kWorthAThread) {
        return;
    }
    try {
        run_ = std::thread([first, end] {
            // Advice only: a kernel without it (EINVAL) or a block gone
            // meanwhile (ENOMEM) leaves the pages to the writer.
            ::madvise(reinterpret_cast<void*>(first), end - first, MADV_POPULATE_WRITE);
        });
    } catch (const std::system_error&) {
        // No thread: the writer faults the pages in itself.
    }
#else
    (void)begin;
    (void)bytes;
#endif
}

void PagePrefault::Wait() {
    if (run_.joinable()) {
        run_.join();
    }
}

} // namespace vantrel
