#include "state/huge_pages.h"

#include <gtest/gtest.h>
#include <sys/mman.h>

#include "huge_page_flags.h"

namespace ostrel {
namespace {

constexpr size_t kPage = 4096;
constexpr size_t kMb = size_t{1} << 20;

TEST(HugePagesTest, AdvisesOnlyTheWholePagesInsideALargeBlock) {
    struct Case {
        uintptr_t address;
        size_t size;
        AddressRange expected;
    };
    const Case cases[] = {
        {0x10000, 8 * kMb, {0x10000, 0x10000 + 8 * kMb}},               // aligned both ends
        {0x10010, 8 * kMb, {0x11000, 0x10000 + 8 * kMb}},               // malloc's header before it
        {0x10010, 8 * kMb + 100, {0x11000, 0x10000 + 8 * kMb}},         // a partial last page
        {0x10000, kHugePageAdviceBytes, {0x10000, 0x10000 + 4 * kMb}},  // the smallest advised
        {0x10000, kHugePageAdviceBytes - 1, {}},                        // too small to be worth it
        {0, 0, {}},
        {UINTPTR_MAX - 4 * kMb, 8 * kMb, {}},  // would wrap around the address space
    };
    for (const Case& c : cases) {
        const AddressRange r = HugePageAdviceRange(c.address, c.size, kPage);
        EXPECT_EQ(r.begin, c.expected.begin) << std::hex << c.address << " " << c.size;
        EXPECT_EQ(r.end, c.expected.end) << std::hex << c.address << " " << c.size;
    }
}

TEST(HugePagesTest, AFreshBlockIsMarkedForHugePagesWhereTheSystemOffersThem) {
    if (!test::SystemOffersHugePages()) GTEST_SKIP() << "no transparent huge pages here";
    const size_t size = 8 * kMb;
    void* block = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    ASSERT_NE(block, MAP_FAILED);
    ASSERT_TRUE(AdviseHugePages(static_cast<char*>(block) + 16, size - 16));
    EXPECT_TRUE(test::AdvisedForHugePages(static_cast<char*>(block) + size / 2));
    // The page holding the header before the block is left as it was.
    EXPECT_FALSE(test::AdvisedForHugePages(block));
    EXPECT_FALSE(AdviseHugePages(block, kMb));  // too small: nothing asked
    munmap(block, size);
}

}  // namespace
}  // namespace ostrel
