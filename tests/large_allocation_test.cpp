// The programs' operator new (state/large_allocation_new.cpp), linked into this test as into
// the programs.
#include <gtest/gtest.h>

#include <cstdint>
#include <new>
#include <vector>

#include "huge_page_flags.h"

namespace {

using ostrel::test::AdvisedForHugePages;
using ostrel::test::SystemOffersHugePages;

TEST(LargeAllocationTest, LargeBlocksAreAdvised) {
    std::vector<double> large(2'000'000, 1.5);  // 16 MB
    EXPECT_EQ(large[1'999'999], 1.5);
    if (!SystemOffersHugePages()) GTEST_SKIP() << "no transparent huge pages here";
    EXPECT_TRUE(AdvisedForHugePages(large.data() + large.size() / 2));
}

TEST(LargeAllocationTest, FailuresAreReportedAsTheStandardSays) {
    const size_t impossible = SIZE_MAX / 2;
    EXPECT_EQ(::operator new(impossible, std::nothrow), nullptr);
    EXPECT_EQ(::operator new[](impossible, std::nothrow), nullptr);
    EXPECT_THROW((void)::operator new(impossible), std::bad_alloc);
    // A new-handler is called until it gives up; here it gives up on the second call.
    static int calls = 0;
    calls = 0;
    std::set_new_handler([] {
        if (++calls == 2) std::set_new_handler(nullptr);
    });
    EXPECT_THROW((void)::operator new[](impossible), std::bad_alloc);
    std::set_new_handler(nullptr);
    EXPECT_EQ(calls, 2);
    void* zero = ::operator new(0);  // a distinct block even for no bytes
    EXPECT_NE(zero, nullptr);
    ::operator delete(zero);
}

}  // namespace
