// Big blocks of memory straight from the system, for picture buffers: their
// pages read as zero and cost nothing until they are written.
#pragma once

#include <cstddef>

namespace pixmold {

// Blocks are aligned to and sized in this unit, so that the system can back
// them with huge pages.
inline constexpr std::size_t PAGE_BLOCK_UNIT = std::size_t(2) << 20;

// A block of at least `bytes`, rounded up to the unit; `size` receives its
// size. Null (and `size` untouched) when the system has no room.
void* map_pages(std::size_t bytes, std::size_t& size);

// Lets the system take the pages back when memory runs short; until then the
// block keeps what was written, and a later write makes the page the
// block's again. What a page reads after the system took it back is zero.
void release_pages_lazily(void* block, std::size_t size);

// Gives a block (or a whole part of one, from the start of a page) back.
void unmap_pages(void* block, std::size_t size);

}  // namespace pixmold
