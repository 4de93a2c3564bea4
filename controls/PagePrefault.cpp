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
    // The whole pages inside the block, by offsets from its start.
    const auto page = static_cast<std::uintptr_t>(::sysconf(_SC_PAGESIZE));
    const auto address = reinterpret_cast<std::uintptr_t>(begin);
    const std::size_t skip = (page - address % page) % page;
    if (bytes <= skip) {
        return;
    }
    const std::size_t length = (bytes - skip) / page * page;
    if (length < kWorthAThread) {
        return;
    }
    char* first = static_cast<char*>(begin) + skip;
    try {
        run_ = std::thread([first, length] {
            // Advice only: a kernel without it (EINVAL) or a block gone
            // meanwhile (ENOMEM) leaves the pages to the writer.
            ::madvise(first, length, MADV_POPULATE_WRITE);
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
