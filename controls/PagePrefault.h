#pragma once

#include <cstddef>
#include <thread>

namespace vantrel {

/// Faults in the pages of a block of memory on a thread of its own, so that
/// the thread that then writes the block finds them ready instead of
/// entering the kernel for each (and, for huge pages, waiting while the
/// kernel zeroes or compacts 2 MiB at a time).
///
/// The pages are made present and writable without reading or writing a
/// byte of them (Linux `MADV_POPULATE_WRITE`, since 5.14), so the block may
/// be written, moved or freed meanwhile: a page of a freed block is only
/// made present again, and an unmapped one skipped. Where the system has no
/// such call, nothing happens and the writer faults the pages in as before.
class PagePrefault {
public:
    PagePrefault() = default;
    /// A copy starts idle: the run belongs to the block of the original.
    PagePrefault(const PagePrefault& /*other*/) {}
    PagePrefault& operator=(const PagePrefault& /*other*/) { return *this; }
    ~PagePrefault() { Wait(); }

    /// Faults in the whole pages of `bytes` bytes from `begin` on a new
    /// thread, after any run started before has ended. Blocks smaller than
    /// `kWorthAThread` are left to the writer.
    void Start(void* begin, std::size_t bytes);
    /// Waits until the run under way, if any, has ended.
    void Wait();

    /// Smallest block worth a thread, bytes: one huge page.
    static constexpr std::size_t kWorthAThread = std::size_t{2} << 20;

private:
    std::thread run_;
};

} // namespace vantrel
