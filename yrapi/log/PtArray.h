// PtArray.h - CPtArray, a growable array of untyped pointers that never owns what they
// point to.
// Thread-safety: an array built with bLocked holds its own CMutex inside each Add and GetAt;
// an owner that walks the entries, resets `count` or frees entries guards the whole walk
// with a lock of its own. An unlocked array is used by one thread at a time. `count` is
// atomic so that it may be read without any lock (a stale value is the reader's risk).
#pragma once

#include <yrapi/threads/Mutex.h>

#include <atomic>
#include <cstdint>
#include <memory>

namespace YRAPI {

class CPtArray {
  public:
    /// Growth ceiling for capacity x pointer size, in bytes: growth never reaches it.
    static constexpr std::uint32_t kMaxBytes = 209715200;  // 200 MiB

    /// 1024 empty slots; with bLocked, an own CMutex (whose refusal throws its CMutex*).
    explicit CPtArray(bool bLocked);
    virtual ~CPtArray();

    CPtArray(const CPtArray&) = delete;
    CPtArray& operator=(const CPtArray&) = delete;

    /// Appends p; its index, or -1 when the array may not grow.
    int Add(void* p);

    /// The entry at nIndex, or null outside 0 ... count - 1.
    void* GetAt(int nIndex);

    /// Take and release the own lock; true at once for an unlocked array.
    bool Lock();
    bool Unlock();

    /// Enlarges `items` to at least nMinCapacity slots by doubling; false when refused.
    bool Grow(int nMinCapacity);

    void** items;               // `capacity` slots; entries 0 ... count - 1 are in use
    std::atomic<int> count{0};  // entries in use; owners set it to 0 to empty the array
    int capacity = 1024;
    std::unique_ptr<CMutex> lock;  // owned; null for an unlocked array
    std::uint32_t maxBytes = kMaxBytes;
};

}  // namespace YRAPI
