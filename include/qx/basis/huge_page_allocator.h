#pragma once

#include <sys/mman.h>

#include <cstddef>
#include <cstdlib>
#include <memory>
#include <new>

// A standard allocator for large buffers that are filled once and read often (vertex buffers,
// tables over a whole mesh): blocks of 2 MiB and more are aligned and offered to the kernel as
// huge pages, so filling them costs one page fault per 2 MiB instead of one per 4 KiB. Smaller
// blocks come from the usual allocator.
template <class T>
struct CQxHugePageAllocator {
    using value_type = T;
    static constexpr std::size_t HugePage = std::size_t(2) << 20;

    CQxHugePageAllocator() = default;
    template <class U>
    CQxHugePageAllocator(const CQxHugePageAllocator<U>&) {}

    T* allocate(std::size_t n) {
        const std::size_t bytes = n * sizeof(T);
        if (bytes < HugePage) return std::allocator<T>().allocate(n);
        const std::size_t rounded = (bytes + HugePage - 1) / HugePage * HugePage;
        void* p = std::aligned_alloc(HugePage, rounded);
        if (!p) throw std::bad_alloc();
        ::madvise(p, rounded, MADV_HUGEPAGE);
        return static_cast<T*>(p);
    }
    void deallocate(T* p, std::size_t n) noexcept {
        if (n * sizeof(T) < HugePage)
            std::allocator<T>().deallocate(p, n);
        else
            std::free(p);
    }
    template <class U>
    bool operator==(const CQxHugePageAllocator<U>&) const {
        return true;
    }
};
