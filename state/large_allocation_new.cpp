// The program's own operator new: every large block of the standard containers is asked for on
// huge pages (state/huge_pages.h). Linked into ostrel-batch, the road benchmark and the test of
// this file (allocation_tests); not into the window, where it gained nothing, nor into sanitizer
// builds, which bring their own allocator.
#include <cstdlib>
#include <new>

#include "state/huge_pages.h"

namespace {

void* Allocate(std::size_t size) {
    if (size == 0) size = 1;
    for (;;) {
        if (void* block = std::malloc(size)) {
            // A fresh block's pages are still untouched (malloc writes only its header before
            // it), so they come as huge pages; a block reused from the heap keeps its pages.
            if (size >= ostrel::kHugePageAdviceBytes) ostrel::AdviseHugePages(block, size);
            return block;
        }
        std::new_handler handler = std::get_new_handler();
        if (handler == nullptr) throw std::bad_alloc();
        handler();
    }
}

void* AllocateNoThrow(std::size_t size) noexcept {
    try {
        return Allocate(size);
    } catch (...) {
        return nullptr;
    }
}

}  // namespace

// The matching operator delete stays the library's, which returns the block to free().
void* operator new(std::size_t size) {
    return Allocate(size);
}
void* operator new[](std::size_t size) {
    return Allocate(size);
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    return AllocateNoThrow(size);
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
    return AllocateNoThrow(size);
}
