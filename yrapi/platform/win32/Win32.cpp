// win32/Win32.cpp - the pieces the Win32 backend's files share.
#include "yrapi/platform/win32/Win32.h"

#include "yrapi/platform/ErrorText.h"

namespace YRAPI::platform::win32 {

CHandle::~CHandle() { Reset(nullptr); }

void CHandle::Reset(HANDLE hNew) {
    if (*this) ::CloseHandle(hHandle);
    hHandle = hNew;
}

namespace {
thread_local std::atomic<int>* tpWaitCount = nullptr;
}

void SetWaitCount(std::atomic<int>* pCount) { tpWaitCount = pCount; }

CTerminableWait::CTerminableWait() : pCount(tpWaitCount) {
    if (pCount != nullptr) pCount->fetch_add(1);
}

CTerminableWait::~CTerminableWait() {
    if (pCount != nullptr) pCount->fetch_sub(1);
}

void KeepSystemError() { SetLastError(::GetLastError()); }

WaitResult FromWait(::DWORD dwWait) {
    switch (dwWait) {
        case WAIT_OBJECT_0:
            return WaitResult::Acquired;
        case WAIT_ABANDONED:
            return WaitResult::Abandoned;
        case WAIT_TIMEOUT:
            return WaitResult::Timeout;
        default:
            KeepSystemError();
            return WaitResult::Failed;
    }
}

}  // namespace YRAPI::platform::win32
