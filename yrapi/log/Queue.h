// Queue.h - TCQueue<T>, a first-in first-out ring of fixed-size records copied by value, and
// yr_log_str, the 1024-byte log line record it carries from every thread to the log writer.
//
// Thread-safety: a queue built with `locked` may be used by any number of producers and
// consumers at once; every access to the ring, the indexes and the capacity happens under its
// own kernel mutex, held for one record's copy (plus a growth when the ring is full). `count`
// is atomic, so an owner may read it without the lock to learn whether work is waiting. An
// unlocked queue must be used by one thread at a time. Waits take a time-out in milliseconds
// (INFINITE, 0xFFFFFFFF, waits without limit); a signalled Pop may wait twice that.
#pragma once

#include <yrapi/platform/KernelMutex.h>
#include <yrapi/platform/Semaphore.h>
#include <yrapi/platform/Types.h>

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <new>
#include <type_traits>

namespace YRAPI {

/// One finished log line: NUL-terminated text of at most 1023 characters. A new record is
/// all zeros; records are copied as raw bytes.
struct yr_log_str {
    char text[1024];
    yr_log_str() : text{} {}
};

}  // namespace YRAPI

template <class T>
class TCQueue {
    static_assert(std::is_trivially_copyable_v<T>, "records are copied byte for byte");

  public:
    /// Growth ceiling for the ring, in bytes: growth never makes a ring this large.
    static constexpr std::uint32_t kMaxBytes = 209715200;  // 200 MiB

    /// A queue with room for nCapacity records (0 is taken as 1). `bSignalled` counts records
    /// with a semaphore so that Pop can wait for work; `bLocked` guards it with a mutex. A
    /// handle the platform refuses stays null (the queue then works without it). A first ring
    /// that cannot be had (allocation refused, or 4 GiB and more) leaves the queue unusable:
    /// capacity 0, and every push and pop fails.
    TCQueue(std::uint32_t nCapacity, bool bSignalled, bool bLocked) : signalled(bSignalled) {
        if (bSignalled) signal = YRAPI::platform::CSemaphore::Create(0, 0x7FFFFFFF);
        if (bLocked) mutex = YRAPI::platform::CKernelMutex::Create();
        if (nCapacity == 0) nCapacity = 1;
        if (static_cast<std::uint64_t>(nCapacity) * sizeof(T) <= 0xFFFFFFFFull) {
            items = new (std::nothrow) T[nCapacity];
            if (items != nullptr) capacity = nCapacity;
        }
    }

    virtual ~TCQueue() {
        mutex.reset();
        signal.reset();
        delete[] items;
    }

    TCQueue(const TCQueue&) = delete;
    TCQueue& operator=(const TCQueue&) = delete;

    /// Stores a copy of *pItem (and counts it on a signalled queue). False for a null record,
    /// a lock wait that ran out, a full ring that may not grow, or a missing semaphore.
    bool Push(const T* pItem, YRAPI::DWORD dwTimeoutMs) {
        return PushPrefix(pItem, sizeof(T), dwTimeoutMs);
    }

    /// Push that copies only the first nBytes of the record into its slot; the rest of the
    /// slot keeps older bytes. For records whose tail the reader never looks at (a log line
    /// past its terminator), this saves copying unused bytes.
    bool PushPrefix(const T* pItem, std::size_t nBytes, YRAPI::DWORD dwTimeoutMs) {
        if (!PushItemPrefix(pItem, nBytes, dwTimeoutMs)) return false;
        return !signalled || Signal();
    }

    /// Takes the oldest record into *pItem (null: removes it unseen). On a signalled queue it
    /// first waits up to dwTimeoutMs for a count. False when nothing was taken; a lock wait
    /// that runs out hands the count back, so the record stays visible to the next Pop.
    bool Pop(T* pItem, YRAPI::DWORD dwTimeoutMs) {
        if (!signalled) return PopItem(pItem, dwTimeoutMs);
        if (!WaitSignal(dwTimeoutMs)) return false;
        if (!Lock(dwTimeoutMs)) {
            Signal();  // the count's record is still queued
            return false;
        }
        bool bResult = PopItem(pItem, 0);  // the lock is ours: taking it again cannot wait
        Unlock();
        return bResult;
    }

    bool PushItem(const T* pItem, YRAPI::DWORD dwTimeoutMs) {
        return PushItemPrefix(pItem, sizeof(T), dwTimeoutMs);
    }

    bool PopItem(T* pItem, YRAPI::DWORD dwTimeoutMs) {
        if (!Lock(dwTimeoutMs)) return false;
        bool bResult = false;
        std::uint32_t n = count.load(std::memory_order_relaxed);
        if (n != 0) {
            if (pItem != nullptr)
                std::memcpy(static_cast<void*>(pItem), &items[readIndex], sizeof(T));
            count.store(n - 1);
            if (++readIndex == capacity) readIndex = 0;  // (readIndex + 1) mod capacity
            bResult = true;
        }
        Unlock();
        return bResult;
    }

    /// The reader's side of PushPrefix: Pop that copies only the first fnBytes(oldest record)
    /// bytes (at most sizeof(T)) into *pItem, which must not be null; the rest of *pItem keeps
    /// what it held. For a log line, the bytes up to its terminator: a tenth of the record.
    template <class FnBytes>
    bool PopPrefix(T* pItem, FnBytes fnBytes, YRAPI::DWORD dwTimeoutMs) {
        if (signalled && !WaitSignal(dwTimeoutMs)) return false;
        if (!Lock(dwTimeoutMs)) {
            if (signalled) Signal();  // as in Pop: the count's record is still queued
            return false;
        }
        bool bResult = false;
        std::uint32_t n = count.load(std::memory_order_relaxed);
        if (n != 0) {
            std::size_t nBytes = fnBytes(items[readIndex]);
            std::memcpy(static_cast<void*>(pItem), &items[readIndex],
                        nBytes < sizeof(T) ? nBytes : sizeof(T));
            count.store(n - 1);
            if (++readIndex == capacity) readIndex = 0;  // (readIndex + 1) mod capacity
            bResult = true;
        }
        Unlock();
        return bResult;
    }

    /// True at once without a mutex; otherwise true once the mutex is owned (also when its
    /// previous owner had ended holding it: the caller owns it then and must Unlock).
    bool Lock(YRAPI::DWORD dwTimeoutMs) {
        using YRAPI::platform::WaitResult;
        if (!mutex) return true;
        // The lock is held for one record's copy, far shorter than a sleep and a wake-up in
        // the kernel: a contended caller first retries for about a microsecond.
        auto result = mutex->Wait(0);
        for (int i = 0; i < kLockSpins && result == WaitResult::Timeout && dwTimeoutMs != 0; ++i) {
            CpuRelax();
            result = mutex->Wait(0);
        }
        if (result == WaitResult::Timeout && dwTimeoutMs != 0) result = mutex->Wait(dwTimeoutMs);
        return result == WaitResult::Acquired || result == WaitResult::Abandoned;
    }

    bool Unlock() { return !mutex || mutex->Release(); }

    bool WaitSignal(YRAPI::DWORD dwTimeoutMs) {
        if (!signalled || !signal) return false;
        return signal->Wait(dwTimeoutMs) == YRAPI::platform::WaitResult::Acquired;
    }

    bool Signal() {
        if (!signalled || !signal) return false;
        return signal->Release();
    }

    /// Enlarges the ring to at least nMinCapacity records by doubling, keeping the records in
    /// order. Called with the lock held. False when the ceiling or the allocator refuses.
    bool Grow(std::uint32_t nMinCapacity) {
        if (items == nullptr || capacity == 0) return false;
        std::uint64_t nNew = capacity;
        while (nMinCapacity > nNew) nNew *= 2;
        if (nNew * sizeof(T) >= maxBytes) return false;
        T* pNew = new (std::nothrow) T[nNew];
        if (pNew == nullptr) return false;
        std::uint32_t n = count.load(std::memory_order_relaxed);
        std::uint32_t nFirst = n < capacity - readIndex ? n : capacity - readIndex;
        std::memcpy(static_cast<void*>(pNew), &items[readIndex], nFirst * sizeof(T));
        std::memcpy(static_cast<void*>(pNew + nFirst), items, (n - nFirst) * sizeof(T));
        delete[] items;
        items = pNew;
        capacity = static_cast<std::uint32_t>(nNew);
        readIndex = 0;
        writeIndex = n % capacity;
        return true;
    }

    /// Frees the ring with every record in it, for good: afterwards every push and pop fails.
    /// For a queue that threads may still reach once its owner is done with it (the log queue
    /// at the process's end): the object and its mutex stay valid, and a push racing with the
    /// retirement either completes before it or fails after it.
    void Retire() {
        Lock(kWaitForever);
        delete[] items;
        items = nullptr;
        capacity = 0;
        count.store(0);
        writeIndex = 0;
        readIndex = 0;
        Unlock();
    }

    /// Forgets every record (they are not touched).
    void Clear() {
        Lock(kWaitForever);
        count.store(0);
        writeIndex = 0;
        readIndex = 0;
        Unlock();
    }

    std::unique_ptr<YRAPI::platform::CSemaphore> signal;   // null: not signalled, or refused
    bool signalled;                                        // Push signals, Pop waits
    std::unique_ptr<YRAPI::platform::CKernelMutex> mutex;  // null: unlocked, or refused
    T* items = nullptr;                   // the ring: `capacity` records; guarded by mutex
    std::atomic<std::uint32_t> count{0};  // records held; written under mutex, read anywhere
    std::uint32_t capacity = 0;           // guarded by mutex
    std::uint32_t writeIndex = 0;         // guarded by mutex
    std::uint32_t readIndex = 0;          // guarded by mutex
    std::uint32_t maxBytes = kMaxBytes;

  private:
    // INFINITE by value: this template lives outside namespace YRAPI, and a program that
    // includes <windows.h> first has only the macro under that name.
    static constexpr YRAPI::DWORD kWaitForever = 0xFFFFFFFFu;
    static constexpr int kLockSpins = 32;  // tries before Lock sleeps in the kernel

    static void CpuRelax() {
#if defined(__x86_64__) || defined(__i386__)
        __builtin_ia32_pause();
#endif
    }

    std::uint32_t DoubledCapacity() const {
        std::uint64_t nDoubled = static_cast<std::uint64_t>(capacity) * 2;
        return nDoubled > 0xFFFFFFFFull ? 0xFFFFFFFFu : static_cast<std::uint32_t>(nDoubled);
    }

    bool PushItemPrefix(const T* pItem, std::size_t nBytes, YRAPI::DWORD dwTimeoutMs) {
        if (pItem == nullptr) return false;
        if (!Lock(dwTimeoutMs)) return false;
        std::uint32_t n = count.load(std::memory_order_relaxed);
        if (n >= capacity && !Grow(DoubledCapacity())) {
            Unlock();
            return false;
        }
        std::memcpy(static_cast<void*>(&items[writeIndex]), pItem,
                    nBytes < sizeof(T) ? nBytes : sizeof(T));
        if (++writeIndex == capacity) writeIndex = 0;  // (writeIndex + 1) mod capacity
        count.store(n + 1);
        Unlock();
        return true;
    }
};
