#include "platform/page_memory.h"

#include <sys/mman.h>

#include <cstdint>

namespace pixmold {

void* map_pages(std::size_t bytes, std::size_t& size) {
    const std::size_t unit = PAGE_BLOCK_UNIT;
    const std::size_t rounded = (bytes + unit - 1) & ~(unit - 1);
    // One unit more than asked, then the unaligned ends are given back.
    void* raw = ::mmap(nullptr, rounded + unit, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (raw == MAP_FAILED) return nullptr;
    const std::uintptr_t start = reinterpret_cast<std::uintptr_t>(raw);
    const std::uintptr_t aligned = (start + unit - 1) & ~std::uintptr_t(unit - 1);
    if (aligned > start) ::munmap(raw, aligned - start);
    const std::size_t tail = (start + rounded + unit) - (aligned + rounded);
    if (tail) ::munmap(reinterpret_cast<void*>(aligned + rounded), tail);
    void* block = reinterpret_cast<void*>(aligned);
    // Huge pages cut the first-touch faults of a big picture 512-fold.
    (void)::madvise(block, rounded, MADV_HUGEPAGE);
    size = rounded;
    return block;
}

void release_pages_lazily(void* block, std::size_t size) { (void)::madvise(block, size, MADV_FREE); }

void unmap_pages(void* block, std::size_t size) { ::munmap(block, size); }

}  // namespace pixmold
