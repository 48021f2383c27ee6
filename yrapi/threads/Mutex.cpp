// Mutex.cpp - CMutex on the platform's kernel mutex.
#include "yrapi/threads/Mutex.h"

#include "yrapi/platform/KernelMutex.h"

namespace YRAPI {

CMutex::CMutex() : pHandle(platform::CKernelMutex::Create()) {
    if (!pHandle) throw this;
}

CMutex::~CMutex() = default;

bool CMutex::Lock() { return pHandle->Wait(INFINITE) == platform::WaitResult::Acquired; }

bool CMutex::Unlock() { return pHandle->Release(); }

}  // namespace YRAPI
