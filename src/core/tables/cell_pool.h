// Where cells live. A report holds hundreds of thousands of cells, each
// allocated on its own and cache-line aligned; taking them one by one from
// the general heap cost a load more time in the allocator and in the
// kernel (a page fault per 4 KiB first touched) than reading the files.
// Cells are carved instead from 2 MiB blocks that the kernel may back with
// huge pages, and a freed cell's place is reused by the next one. Blocks
// are kept for the process's lifetime (the next report's cells reuse them).
// Under AddressSanitizer cells come from the ordinary heap, so that a use
// after free is still caught.
#pragma once

#include <cstddef>

namespace rpt::tables {

// Storage for one cell of `size` bytes (64-byte aligned); throws
// std::bad_alloc like operator new.
void* AllocateCell(std::size_t size);
void FreeCell(void* cell, std::size_t size) noexcept;

}  // namespace rpt::tables
