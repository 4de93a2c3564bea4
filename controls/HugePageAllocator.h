#pragma once

#include <cstddef>
#include <cstdlib>
#include <new>

#if defined(__linux__)
#include <sys/mman.h>
#endif

namespace vantrel {

/// An allocator that asks for huge pages (2 MiB) for large blocks. A month's
/// table at one-minute steps holds some 900 000 cells, about 50 MB; in 4 KiB
/// pages the kernel is entered once per page when the cells are first
/// written, which costs more than writing them. Blocks of 2 MiB and more are
/// aligned and rounded to 2 MiB and marked for transparent huge pages
/// (madvise); where the system has none, or refuses, they are ordinary
/// memory. Smaller blocks come from the ordinary heap.
template <class T> class HugePageAllocator {
public:
    using value_type = T;

    HugePageAllocator() = default;
    template <class U>
    HugePageAllocator(const HugePageAllocator<U>& /*other*/) noexcept {} // NOLINT

    T* allocate(std::size_t n) {
        if (n > kMaxCount) {
            throw std::bad_array_new_length();
        }
        const std::size_t bytes = n * sizeof(T);
        if (bytes < kHugePage) {
            return static_cast<T*>(::operator new(bytes));
        }
        const std::size_t rounded = (bytes + kHugePage - 1) / kHugePage * kHugePage;
        void* p = std::aligned_alloc(kHugePage, rounded);
        if (p == nullptr) {
            throw std::bad_alloc();
        }
#if defined(MADV_HUGEPAGE)
        ::madvise(p, rounded, MADV_HUGEPAGE); // advice only: failure leaves small pages
#endif
        return static_cast<T*>(p);
    }

    void deallocate(T* p, std::size_t n) noexcept {
        if (n * sizeof(T) < kHugePage) {
            ::operator delete(p);
        } else {
            std::free(p);
        }
    }

    template <class U> bool operator==(const HugePageAllocator<U>& /*other*/) const noexcept {
        return true;
    }

private:
    static constexpr std::size_t kHugePage = std::size_t{2} << 20; // bytes
    static constexpr std::size_t kMaxCount = (std::size_t(-1) - kHugePage) / sizeof(T);
};

} // namespace vantrel
