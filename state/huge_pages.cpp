#include "state/huge_pages.h"

#include <sys/mman.h>
#include <unistd.h>

namespace ostrel {

AddressRange HugePageAdviceRange(uintptr_t address, size_t size, size_t pageBytes) {
    if (size < kHugePageAdviceBytes || address > UINTPTR_MAX - size) return {};
    const uintptr_t mask = pageBytes - 1;
    const uintptr_t begin = (address + mask) & ~mask;
    const uintptr_t end = (address + size) & ~mask;
    if (begin >= end) return {};
    return {begin, end};
}

bool AdviseHugePages(void* block, size_t size) {
#ifdef MADV_HUGEPAGE
    static const size_t page = static_cast<size_t>(sysconf(_SC_PAGESIZE));
    const AddressRange range = HugePageAdviceRange(reinterpret_cast<uintptr_t>(block), size, page);
    if (range.begin == range.end) return false;
    return madvise(reinterpret_cast<void*>(range.begin), range.end - range.begin, MADV_HUGEPAGE) ==
           0;
#else
    (void)block;
    (void)size;
    return false;
#endif
}

}  // namespace ostrel
