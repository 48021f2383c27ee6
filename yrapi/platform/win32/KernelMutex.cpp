// win32/KernelMutex.cpp - the kernel mutex as a Win32 mutex object.
//
// The kernel gives every property the interface asks for: recursion and ownership by a
// thread, a release by another thread refused (ERROR_NOT_OWNER), and abandonment reported to
// the next waiter as WAIT_ABANDONED. Closing the handle is safe in any state: the kernel
// abandons a mutex whose object goes while it is owned.
#include "yrapi/platform/KernelMutex.h"

#include "yrapi/platform/ErrorText.h"
#include "yrapi/platform/Internal.h"
#include "yrapi/platform/win32/Win32.h"

namespace YRAPI::platform {

struct CKernelMutex::Impl {
    win32::CHandle hMutex;
};

std::unique_ptr<CKernelMutex> CKernelMutex::Create() {
    if (detail::ConsumeFault(testing::Fault::MutexCreate)) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    // Unnamed (so process-local), default security, not owned by the creating thread.
    HANDLE hMutex = ::CreateMutexA(nullptr, FALSE, nullptr);
    if (hMutex == nullptr) {
        win32::KeepSystemError();
        return nullptr;
    }
    return std::unique_ptr<CKernelMutex>(new CKernelMutex(new Impl{win32::CHandle(hMutex)}));
}

CKernelMutex::~CKernelMutex() { delete pImpl; }

WaitResult CKernelMutex::Wait(DWORD dwTimeoutMs) {
    // Never a place for a forced end, also when called from the program's own code: a
    // thread ended here may be in the middle of a call that takes a lock, such as a stop
    // request waiting for a worker's state lock.
    CDeferForcedEnd defer;
    return win32::FromWait(::WaitForSingleObject(pImpl->hMutex.Get(), dwTimeoutMs));
}

bool CKernelMutex::Release() {
    if (::ReleaseMutex(pImpl->hMutex.Get())) return true;
    win32::KeepSystemError();  // ERROR_NOT_OWNER for a thread that does not own it
    return false;
}

}  // namespace YRAPI::platform
