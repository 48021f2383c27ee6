// PtArrayTest.cpp - CPtArray: indexes and bounds, reuse after an owner empties it, growth and
// its ceiling, and its own lock.
#include "yrapi/log/PtArray.h"
#include "yrapi/platform/Testing.h"
#include "yrapi/threads/Mutex.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <thread>
#include <vector>

namespace YRAPI {
namespace {

void* Ptr(int n) { return reinterpret_cast<void*>(static_cast<std::uintptr_t>(n) * 8 + 8); }

void AddAll(CPtArray& arr, int nCount) {
    for (int i = 0; i < nCount; ++i) ASSERT_EQ(arr.Add(Ptr(i)), i);
}

TEST(CPtArray, AddReturnsConsecutiveIndexesAndGetAtReadsOnlyThoseInUse) {
    CPtArray arr(/*bLocked=*/true);
    EXPECT_EQ(arr.capacity, 1024);
    EXPECT_EQ(arr.maxBytes, 209715200u);
    EXPECT_EQ(arr.GetAt(0), nullptr);
    AddAll(arr, 3);
    EXPECT_EQ(arr.count, 3);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(arr.GetAt(i), Ptr(i));
    // 1023 is inside the buffer but outside the entries.
    for (int n : {-1, INT_MIN, 3, 1023, INT_MAX}) EXPECT_EQ(arr.GetAt(n), nullptr) << n;
    // Emptied by its owner, the array reuses its buffer from index 0.
    void** pBefore = arr.items;
    arr.count = 0;
    EXPECT_EQ(arr.GetAt(0), nullptr);
    EXPECT_EQ(arr.Add(Ptr(9)), 0);
    EXPECT_EQ(arr.items, pBefore);
    EXPECT_EQ(arr.GetAt(0), Ptr(9));
    EXPECT_EQ(arr.GetAt(1), nullptr);
}

TEST(CPtArray, GrowthDoublesOnlyWhenNeededAndStaysBelowTheCeiling) {
    CPtArray grown(false);
    EXPECT_TRUE(grown.Grow(1024));
    EXPECT_TRUE(grown.Grow(-5));
    EXPECT_EQ(grown.capacity, 1024);
    EXPECT_TRUE(grown.Grow(5000));
    EXPECT_EQ(grown.capacity, 8192);

    CPtArray arr(true);
    arr.maxBytes = 2048 * sizeof(void*);  // the doubling to 2048 would reach it
    AddAll(arr, 1024);
    void** pBefore = arr.items;
    EXPECT_EQ(arr.Add(Ptr(1024)), -1);
    EXPECT_EQ(arr.count, 1024);
    EXPECT_EQ(arr.capacity, 1024);
    EXPECT_EQ(arr.items, pBefore);
    arr.maxBytes += 1;  // one byte more and the doubling fits below it
    EXPECT_EQ(arr.Add(Ptr(1024)), 1024);
    EXPECT_EQ(arr.capacity, 2048);
    for (int i = 0; i <= 1024; ++i) ASSERT_EQ(arr.GetAt(i), Ptr(i)) << i;
}

// Adds until the array refuses: every doubling is allowed while the buffer stays below 200 MiB,
// so nLargest entries (128 MiB) fit and the next doubling (256 MiB) is refused.
void ExpectLargestCapacity(int nLargest) {
    CPtArray arr(false);
    int i = 0, nLast = 0;
    while ((nLast = arr.Add(Ptr(i))) == i) ++i;
    EXPECT_EQ(nLast, -1);
    EXPECT_EQ(arr.count, nLargest);
    EXPECT_EQ(arr.capacity, nLargest);
    EXPECT_EQ(arr.GetAt(nLargest - 1), Ptr(nLargest - 1));
    EXPECT_FALSE(arr.Grow(nLargest + 1));
}

#if INTPTR_MAX == INT64_MAX
TEST(CPtArray, LargestCapacityIs16777216EightBytePointers) { ExpectLargestCapacity(16777216); }
#else
TEST(CPtArray, LargestCapacityIs33554432FourBytePointers) { ExpectLargestCapacity(33554432); }
#endif

TEST(CPtArray, RefusedMutexThrowsACMutexPointer) {
    platform::testing::FailNext(platform::testing::Fault::MutexCreate);
    EXPECT_THROW(CPtArray arr(/*bLocked=*/true), CMutex*);
    // An unlocked array creates no mutex, so an armed refusal does not touch it.
    platform::testing::FailNext(platform::testing::Fault::MutexCreate);
    CPtArray arr(/*bLocked=*/false);
    EXPECT_EQ(arr.lock, nullptr);
    EXPECT_EQ(arr.Add(Ptr(1)), 0);
    platform::testing::FailNext(platform::testing::Fault::MutexCreate, 0);
}

TEST(CPtArray, LockedArrayTakesAddsFromSeveralThreads) {
    CPtArray arr(true);
    constexpr int kThreads = 3, kPerThread = 2000;  // crosses two doublings
    std::vector<std::vector<int>> indexes(kThreads);
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&arr, &indexes, t] {
            for (int i = 0; i < kPerThread; ++i)
                indexes[t].push_back(arr.Add(Ptr(t * kPerThread + i)));
        });
    }
    for (auto& th : threads) th.join();
    EXPECT_EQ(arr.count, kThreads * kPerThread);
    // Each index reads back its own entry, so no index was given twice.
    for (int t = 0; t < kThreads; ++t) {
        for (int i = 0; i < kPerThread; ++i)
            ASSERT_EQ(arr.GetAt(indexes[t][i]), Ptr(t * kPerThread + i));
    }
}

}  // namespace
}  // namespace YRAPI
