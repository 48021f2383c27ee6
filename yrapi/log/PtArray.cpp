// PtArray.cpp - CPtArray.
#include "yrapi/log/PtArray.h"

#include <cstring>
#include <new>

namespace YRAPI {

CPtArray::CPtArray(bool bLocked) : items(new void*[1024]()) {
    if (bLocked) {
        try {
            lock = std::make_unique<CMutex>();
        } catch (CMutex*) {
            delete[] items;
            throw;
        }
    }
}

CPtArray::~CPtArray() { delete[] items; }

bool CPtArray::Lock() { return !lock || lock->Lock(); }

bool CPtArray::Unlock() { return !lock || lock->Unlock(); }

bool CPtArray::Grow(int nMinCapacity) {
    if (nMinCapacity <= capacity) return true;
    long long nNew = capacity;
    while (nNew < nMinCapacity) nNew *= 2;
    if (static_cast<unsigned long long>(nNew) * sizeof(void*) >= maxBytes) return false;
    auto** pNew = new (std::nothrow) void*[static_cast<std::size_t>(nNew)];
    if (pNew == nullptr) return false;
    std::memcpy(static_cast<void*>(pNew), items, static_cast<std::size_t>(count) * sizeof(void*));
    delete[] items;
    items = pNew;
    capacity = static_cast<int>(nNew);
    return true;
}

int CPtArray::Add(void* p) {
    Lock();
    int nIndex = -1;
    int n = count.load(std::memory_order_relaxed);
    if (Grow(n + 1)) {
        items[n] = p;
        nIndex = n;
        count.store(n + 1);
    }
    Unlock();
    return nIndex;
}

void* CPtArray::GetAt(int nIndex) {
    Lock();
    void* p =
        nIndex >= 0 && nIndex < count.load(std::memory_order_relaxed) ? items[nIndex] : nullptr;
    Unlock();
    return p;
}

}  // namespace YRAPI
