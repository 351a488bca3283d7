#include "image/mapping_pool.h"

#include <algorithm>
#include <cstdint>
#include <mutex>
#include <utility>
#include <vector>

#include "platform/page_memory.h"

namespace pixmold {
namespace {

// A few blocks cover a batch's working set (two workers, each with a decoded
// picture, a resized one and a file); more would only hold fragments.
constexpr std::size_t kMaxBlocks = 12;
constexpr std::size_t kMaxBlockBytes = std::size_t(1) << 30;

struct Block {
    std::uint8_t* start;
    std::size_t size;
};

struct Pool {
    std::mutex lock;
    std::vector<Block> kept;
    std::size_t kept_bytes = 0;
    std::size_t in_use = 0;
    std::size_t in_use_peak = 0;
};

Pool& pool() {
    static Pool* p = new Pool;  // never destroyed: buffers may outlive static destruction
    return *p;
}

std::size_t rounded_up(std::size_t bytes) { return (bytes + PAGE_BLOCK_UNIT - 1) & ~(PAGE_BLOCK_UNIT - 1); }

}  // namespace

void* take_mapping(std::size_t bytes, std::size_t& mapped, bool& fresh) {
    const std::size_t size = rounded_up(bytes ? bytes : 1);
    Pool& p = pool();
    std::vector<Block> unmap;
    {
        std::lock_guard guard(p.lock);
        auto best = p.kept.end();
        for (auto it = p.kept.begin(); it != p.kept.end(); ++it)
            if (it->size >= size && (best == p.kept.end() || it->size < best->size)) best = it;
        if (best != p.kept.end()) {
            Block taken = *best;
            p.kept.erase(best);
            // Mappings are unit-aligned, so the rest of a bigger block is a block of its own.
            if (taken.size > size) p.kept.push_back({taken.start + size, taken.size - size});
            p.kept_bytes -= size;
            p.in_use += size;
            p.in_use_peak = std::max(p.in_use_peak, p.in_use);
            mapped = size;
            fresh = false;
            return taken.start;
        }
        // None is big enough: let go of the biggest kept blocks until the new
        // one fits under the most that was ever in use at once.
        p.in_use += size;
        p.in_use_peak = std::max(p.in_use_peak, p.in_use);
        std::sort(p.kept.begin(), p.kept.end(), [](const Block& a, const Block& b) { return a.size < b.size; });
        while (!p.kept.empty() && p.kept_bytes + p.in_use > p.in_use_peak) {
            unmap.push_back(p.kept.back());
            p.kept_bytes -= p.kept.back().size;
            p.kept.pop_back();
        }
    }
    for (const Block& b : unmap) unmap_pages(b.start, b.size);
    void* block = map_pages(size, mapped);
    if (!block) {
        std::lock_guard guard(pool().lock);
        p.in_use -= size;
        return nullptr;
    }
    fresh = true;
    return block;
}

void give_back_mapping(void* block, std::size_t size) {
    Pool& p = pool();
    Block unmap{nullptr, 0};
    if (size <= kMaxBlockBytes) release_pages_lazily(block, size);
    {
        std::lock_guard guard(p.lock);
        p.in_use -= size;
        if (size > kMaxBlockBytes) {
            unmap = {static_cast<std::uint8_t*>(block), size};
        } else {
            p.kept.push_back({static_cast<std::uint8_t*>(block), size});
            p.kept_bytes += size;
            if (p.kept.size() > kMaxBlocks) {
                // The smallest is the least use.
                auto smallest = std::min_element(p.kept.begin(), p.kept.end(),
                                                 [](const Block& a, const Block& b) { return a.size < b.size; });
                unmap = *smallest;
                p.kept_bytes -= smallest->size;
                p.kept.erase(smallest);
            }
        }
    }
    if (unmap.start) unmap_pages(unmap.start, unmap.size);
}

}  // namespace pixmold
