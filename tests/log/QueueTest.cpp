// QueueTest.cpp - TCQueue: growth and its ceiling, order across a wrapped ring, the optional
// mutex and semaphore (and their refusal), bad input, and many producers at once.
#include "yrapi/log/LogInterface.h"
#include "yrapi/log/Queue.h"
#include "yrapi/platform/Testing.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <future>
#include <string>
#include <thread>
#include <vector>

namespace {

using YRAPI::INFINITE;
using YRAPI::yr_log_str;
using YRAPI::platform::testing::FailNext;
using YRAPI::platform::testing::Fault;

using LogQueue = TCQueue<yr_log_str>;

yr_log_str Line(unsigned n) {
    yr_log_str rec;
    std::snprintf(rec.text, sizeof rec.text, "line %u", n);
    return rec;
}

std::string PopText(LogQueue& q) {
    yr_log_str rec;
    if (!q.Pop(&rec, 0)) return "<empty>";
    return rec.text;
}

void PushLines(LogQueue& q, unsigned nFirst, unsigned nCount) {
    for (unsigned i = nFirst; i < nFirst + nCount; ++i) {
        yr_log_str rec = Line(i);
        ASSERT_TRUE(q.Push(&rec, INFINITE)) << i;
    }
}

void ExpectLines(LogQueue& q, unsigned nFirst, unsigned nCount) {
    for (unsigned i = nFirst; i < nFirst + nCount; ++i) ASSERT_EQ(PopText(q), Line(i).text);
}

// --- Growth and its ceiling -----------------------------------------------------------------

TEST(TCQueue, ZeroCapacityIsTakenAsOneAndA4GiBFirstRingIsRefused) {
    LogQueue q(0, false, true);
    EXPECT_EQ(q.capacity, 1u);
    PushLines(q, 0, 3);
    EXPECT_EQ(q.capacity, 4u);
    ExpectLines(q, 0, 3);
    // 0xFFFFFFFF records of 1 KiB: refused before any allocation; the queue stays inert.
    LogQueue huge(0xFFFFFFFFu, false, true);
    EXPECT_EQ(huge.capacity, 0u);
    EXPECT_EQ(huge.items, nullptr);
    yr_log_str rec = Line(1);
    EXPECT_FALSE(huge.Push(&rec, INFINITE));
    EXPECT_FALSE(huge.Pop(&rec, INFINITE));
    huge.Clear();
    EXPECT_STREQ(rec.text, "line 1");
}

TEST(TCQueue, GrowthDoublesKeepsOrderAndStopsShortOfTheCeiling) {
    LogQueue q(128, /*bSignalled=*/false, /*bLocked=*/true);
    q.maxBytes = 512 * 1024;  // 256 records stay below it; 512 would reach it
    PushLines(q, 0, 200);
    ExpectLines(q, 0, 50);
    PushLines(q, 200, 106);  // wraps: the ring is full with its oldest record in slot 50
    ASSERT_EQ(q.capacity, 256u);
    ASSERT_EQ(q.readIndex, 50u);
    ASSERT_EQ(q.writeIndex, 50u);
    yr_log_str rec = Line(306);
    EXPECT_FALSE(q.Push(&rec, INFINITE));
    EXPECT_EQ(q.capacity, 256u);
    EXPECT_EQ(q.count, 256u);
    q.maxBytes += 1;  // one byte more and the doubling stays below it
    PushLines(q, 306, 1);
    EXPECT_EQ(q.capacity, 512u);
    EXPECT_EQ(q.readIndex, 0u);  // the grown ring starts with the oldest record
    EXPECT_EQ(q.writeIndex, 257u);
    ExpectLines(q, 50, 257);
    EXPECT_EQ(PopText(q), "<empty>");
}

TEST(TCQueue, LogQueueStopsAt131072Records) {
    LogQueue& q = YRAPI::GetLogQueue();
    ASSERT_EQ(q.capacity, 128u);
    ASSERT_EQ(q.maxBytes, 209715200u);
    ASSERT_FALSE(q.signalled);
    ASSERT_NE(q.mutex, nullptr);
    q.Clear();
    PushLines(q, 0, 131072);
    yr_log_str rec = Line(131072);
    EXPECT_FALSE(q.Push(&rec, INFINITE));
    EXPECT_EQ(q.count, 131072u);
    EXPECT_EQ(q.capacity, 131072u);
    EXPECT_EQ(PopText(q), "line 0");
    ASSERT_TRUE(q.Push(&rec, INFINITE));  // one slot free again: no growth needed
    for (unsigned i = 1; i < 131072; ++i) ASSERT_TRUE(q.PopItem(nullptr, INFINITE));
    EXPECT_EQ(PopText(q), "line 131072");
}

// --- Pop, Clear and bad input ---------------------------------------------------------------

TEST(TCQueue, PopTakesTheOldestAndClearForgetsEverything) {
    LogQueue q(4, false, true);
    yr_log_str rec = Line(7);
    EXPECT_FALSE(q.Pop(&rec, INFINITE));  // empty: the destination is left alone
    EXPECT_STREQ(rec.text, "line 7");
    PushLines(q, 0, 3);
    EXPECT_TRUE(q.PopItem(nullptr, INFINITE));  // no destination: the oldest is discarded
    EXPECT_EQ(PopText(q), "line 1");
    q.Clear();
    EXPECT_EQ(q.count, 0u);
    EXPECT_FALSE(q.PopItem(nullptr, INFINITE));
    PushLines(q, 10, 5);  // still usable, and grows from the cleared ring
    ExpectLines(q, 10, 5);
}

TEST(TCQueue, NullRecordIsRefusedOnEveryKindOfQueue) {
    for (int nKind = 0; nKind < 4; ++nKind) {
        LogQueue q(4, /*bSignalled=*/(nKind & 1) != 0, /*bLocked=*/(nKind & 2) != 0);
        EXPECT_FALSE(q.Push(nullptr, INFINITE));
        EXPECT_FALSE(q.PushItem(nullptr, INFINITE));
        EXPECT_EQ(q.count, 0u);
        EXPECT_FALSE(q.Pop(nullptr, 0));  // nothing was counted either
    }
}

TEST(TCQueue, PushPrefixCopiesOnlyTheGivenBytes) {
    LogQueue q(1, false, false);
    yr_log_str full, shortLine = Line(5), out;
    std::memset(full.text, 'A', sizeof full.text - 1);
    ASSERT_TRUE(q.Push(&full, INFINITE) && q.PopItem(nullptr, INFINITE));
    ASSERT_TRUE(q.PushPrefix(&shortLine, std::strlen(shortLine.text) + 1, INFINITE));
    ASSERT_TRUE(q.Pop(&out, INFINITE));
    EXPECT_STREQ(out.text, "line 5");
    EXPECT_EQ(out.text[8], 'A');  // the slot's tail kept the older record's bytes
    // A length beyond the record is cut to the record (ASan would catch an overread).
    ASSERT_TRUE(q.PushPrefix(&shortLine, 4096, INFINITE));
    EXPECT_EQ(PopText(q), "line 5");
}

// --- The mutex and the semaphore ------------------------------------------------------------

TEST(TCQueue, PushAndPopTimeOutWhileAnotherThreadHoldsTheLock) {
    for (bool bSignalled : {false, true}) {
        LogQueue q(4, bSignalled, true);
        PushLines(q, 0, 1);
        std::atomic<bool> bHeld{false}, bRelease{false};
        std::thread holder([&] {
            q.Lock(INFINITE);
            bHeld = true;
            while (!bRelease) std::this_thread::sleep_for(std::chrono::milliseconds(1));
            q.Unlock();
        });
        while (!bHeld) std::this_thread::yield();
        yr_log_str rec = Line(1);
        auto start = std::chrono::steady_clock::now();
        EXPECT_FALSE(q.Push(&rec, 50));
        EXPECT_FALSE(q.Pop(&rec, 50));
        auto elapsed = std::chrono::steady_clock::now() - start;
        bRelease = true;
        holder.join();
        EXPECT_STREQ(rec.text, "line 1");
        EXPECT_GE(elapsed, std::chrono::milliseconds(90)) << bSignalled;
        EXPECT_LT(elapsed, std::chrono::seconds(10));
        // A signalled Pop whose lock wait ran out handed its count back for the next Pop.
        EXPECT_EQ(PopText(q), "line 0") << bSignalled;
        EXPECT_FALSE(q.Pop(nullptr, 0));
    }
}

TEST(TCQueue, PushAfterAnOwnerEndedHoldingTheLockSucceedsAndReleasesIt) {
    LogQueue q(4, false, true);
    std::thread([&] { q.Lock(INFINITE); }).join();  // ends while owning the mutex
    PushLines(q, 0, 1);
    // The push took the abandoned mutex and released it: another thread can push too.
    auto other = std::async(std::launch::async, [&q, rec = Line(1)] { return q.Push(&rec, 5000); });
    EXPECT_TRUE(other.get());
    ExpectLines(q, 0, 2);
}

TEST(TCQueue, RefusedMutexOrSemaphoreLeavesAQueueWorkingWithoutIt) {
    FailNext(Fault::MutexCreate);
    LogQueue unlocked(4, false, /*bLocked=*/true);
    EXPECT_EQ(unlocked.mutex, nullptr);
    PushLines(unlocked, 0, 6);
    ExpectLines(unlocked, 0, 6);
    // Without its semaphore a signalled queue stores a push but reports it false, and Pop
    // never gets past the missing count; PopItem still reaches the record.
    FailNext(Fault::SemaphoreCreate);
    LogQueue uncounted(4, /*bSignalled=*/true, true);
    EXPECT_EQ(uncounted.signal, nullptr);
    yr_log_str rec = Line(8), out;
    EXPECT_FALSE(uncounted.Push(&rec, INFINITE));
    EXPECT_EQ(uncounted.count, 1u);
    EXPECT_FALSE(uncounted.Pop(&out, 1000));
    EXPECT_TRUE(uncounted.PopItem(&out, INFINITE));
    EXPECT_STREQ(out.text, "line 8");
}

TEST(TCQueue, SignalledPopWaitsForACountedPushOrTimesOut) {
    LogQueue q(4, /*bSignalled=*/true, true);
    yr_log_str rec = Line(4);
    auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(q.Pop(&rec, 60));
    auto elapsed = std::chrono::steady_clock::now() - start;
    EXPECT_GE(elapsed, std::chrono::milliseconds(55));
    EXPECT_LT(elapsed, std::chrono::seconds(10));
    EXPECT_STREQ(rec.text, "line 4");
    std::thread producer([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(30));
        PushLines(q, 3, 1);
    });
    EXPECT_TRUE(q.Pop(&rec, 10000));
    producer.join();
    EXPECT_STREQ(rec.text, "line 3");
    PushLines(q, 0, 2);  // one count per push
    ExpectLines(q, 0, 2);
    EXPECT_FALSE(q.Pop(nullptr, 0));
    // A record taken with PopItem leaves its count behind; the next Pop finds nothing.
    PushLines(q, 2, 1);
    EXPECT_TRUE(q.PopItem(nullptr, 0));
    EXPECT_FALSE(q.Pop(nullptr, 0));
}

// --- Many producers -------------------------------------------------------------------------

// A small record, so that the stress test runs many growths cheaply.
struct stress_rec {
    std::uint32_t nProducer, nSeq;
    char pad[24];
};

void RunStress(bool bSignalled) {
    constexpr std::uint32_t kProducers = 4, kPerProducer = 20000;
    TCQueue<stress_rec> q(2, bSignalled, /*bLocked=*/true);
    std::atomic<unsigned> nFailedPushes{0};
    std::vector<std::thread> producers;
    for (std::uint32_t p = 0; p < kProducers; ++p) {
        producers.emplace_back([&q, &nFailedPushes, p] {
            for (std::uint32_t i = 0; i < kPerProducer; ++i) {
                stress_rec rec{p, i, {}};
                if (!q.Push(&rec, INFINITE)) ++nFailedPushes;
            }
        });
    }
    std::vector<std::uint32_t> nNext(kProducers, 0);
    unsigned nReceived = 0, nOutOfOrder = 0;
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(120);
    while (nReceived < kProducers * kPerProducer && std::chrono::steady_clock::now() < deadline) {
        stress_rec rec{};
        if (!(bSignalled ? q.Pop(&rec, 100) : (q.count.load() != 0 && q.Pop(&rec, 100)))) {
            std::this_thread::yield();
            continue;
        }
        ++nReceived;
        if (rec.nProducer >= kProducers || rec.nSeq != nNext[rec.nProducer]++) ++nOutOfOrder;
    }
    for (auto& t : producers) t.join();
    EXPECT_EQ(nFailedPushes.load(), 0u);
    EXPECT_EQ(nReceived, kProducers * kPerProducer);
    EXPECT_EQ(nOutOfOrder, 0u);
    EXPECT_FALSE(q.PopItem(nullptr, 0));
}

TEST(TCQueue, ManyProducersLoseNothingAndKeepTheirOrder) { RunStress(/*bSignalled=*/false); }

TEST(TCQueue, ManyProducersOnASignalledQueue) { RunStress(/*bSignalled=*/true); }

}  // namespace
