#include <gtest/gtest.h>

#include "effects/compare/ComparisonBuffers.h"
#include "ComparisonTestSupport.h"

using namespace vantrel::effects::compare;

namespace {

using vantrel::effects::compare::CComparisonBufferPool;
using vantrel::testing::CFailingAllocator;

TEST(ComparisonBufferPool, KeepsBuffersForTheNextComparison)
{
    CFailingAllocator heap;
    {
        CComparisonBufferPool pool(heap);
        std::uint8_t* a = pool.Allocate(1000);
        std::uint8_t* b = pool.Allocate(1000);
        ASSERT_NE(a, nullptr);
        ASSERT_NE(b, nullptr);
        EXPECT_NE(a, b);
        pool.Release(b);
        pool.Release(a);
        std::uint8_t* again = pool.Allocate(1000);
        EXPECT_TRUE(again == a || again == b);
        pool.Release(again);
        EXPECT_EQ(heap.allocations, 2);
        // Another size replaces a kept buffer instead of adding to them.
        pool.Release(pool.Allocate(2000));
        EXPECT_EQ(heap.allocations, 3);
    }
    EXPECT_EQ(heap.Outstanding(), 0u);
}

TEST(ComparisonBufferPool, RefusesWhatTheHeapRefusesAndRecovers)
{
    CFailingAllocator heap(2);
    CComparisonBufferPool pool(heap);
    std::uint8_t* a = pool.Allocate(64);
    EXPECT_NE(a, nullptr);
    EXPECT_EQ(pool.Allocate(64), nullptr);
    std::uint8_t* b = pool.Allocate(64);
    EXPECT_NE(b, nullptr);
    pool.Release(a);
    pool.Release(b);
}

TEST(ComparisonBufferPool, MoreBuffersThanItKeepsGoStraightBack)
{
    CFailingAllocator heap;
    {
        CComparisonBufferPool pool(heap);
        std::uint8_t* held[4];
        for (auto& p : held) p = pool.Allocate(16);
        pool.Release(held[3]);
        EXPECT_EQ(heap.Outstanding(), 3u);
        for (int i = 0; i < 3; ++i) pool.Release(held[i]);
    }
    EXPECT_EQ(heap.Outstanding(), 0u);
}

}  // namespace
