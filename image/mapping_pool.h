// Recycled page mappings for big pixel buffers and scratch blocks.
//
// Fresh anonymous pages read as zero and cost nothing until written, but the
// kernel clears each one on first touch: for a batch of photos as much as a
// tenth of the work. Freed mappings are kept (their pages released lazily,
// so the kernel may still take them back when memory runs short) and handed
// to the next buffers: the smallest kept block that is big enough, split when
// it is bigger. What is kept never makes the process hold more mapped memory
// than the most its buffers ever needed at once.
#pragma once

#include <cstddef>

namespace pixmold {

// A block of at least `bytes` (a multiple of the page-block unit), recycled
// when one is kept, else fresh; `mapped` receives its size and `fresh`
// whether it is new (reads as zero) rather than recycled (holds anything).
// Null when the system has no room.
void* take_mapping(std::size_t bytes, std::size_t& mapped, bool& fresh);

// Gives a block from take_mapping back, whole.
void give_back_mapping(void* block, std::size_t size);

}  // namespace pixmold
