// The program's own operator new: every large block of the standard containers is asked for on
// huge pages (state/huge_pages.h). Linked into the programs (ostrel-batch, the window, the road
// benchmarks), not into the tests, which run under the sanitizers' own allocators.
#include <cstdlib>
#include <new>

#include "state/huge_pages.h"

namespace {

void* Allocate(std::size_t size) {
    if (size == 0) size = 1;
    for (;;) {
        if (void* block = std::malloc(size)) {
            // malloc writes only its header before the block, so the pages are still untouched.
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
