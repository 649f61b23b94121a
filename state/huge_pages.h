// Large blocks of memory on huge pages of the processor (2 MB instead of 4 KB).
//
// A spectrum of a million points goes through a dozen lists of 8 MB each, every one fresh
// memory. Each 4 KB page of fresh memory costs a page fault on its first touch, and in a virtual
// machine a fault costs several microseconds: a third of `ostrel-batch peaks` on the road's
// spectrum went to faults and to the zeroing they bring. Where the system gives huge pages on
// request (transparent huge pages set to "madvise"), a block asked for as such faults once per
// 2 MB. Nothing is computed differently: only where the memory comes from changes.
#pragma once

#include <cstddef>
#include <cstdint>

namespace ostrel {

// Blocks from this size on are advised (a smaller one holds at most one huge page).
inline constexpr size_t kHugePageAdviceBytes = size_t{4} << 20;

struct AddressRange {
    uintptr_t begin = 0;
    uintptr_t end = 0;  // begin == end: nothing to advise
};

// The whole pages (of pageBytes, a power of two) inside [address, address + size): the range
// the advice may name without touching memory outside the block. Empty below the advised size.
AddressRange HugePageAdviceRange(uintptr_t address, size_t size, size_t pageBytes);

// Asks the system to back the block with huge pages before it is first touched. Where the system
// gives none, or refuses, the block stays as it is; the answer says whether the advice was taken.
bool AdviseHugePages(void* block, size_t size);

}  // namespace ostrel
