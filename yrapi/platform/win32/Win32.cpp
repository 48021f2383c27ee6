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
thread_local CForcedEndCounts* tpCounts = nullptr;
}

void SetForcedEndCounts(CForcedEndCounts* pCounts) { tpCounts = pCounts; }

CTerminableWait::CTerminableWait() : pCounts(tpCounts) {
    if (pCounts != nullptr) pCounts->nInWait.fetch_add(1);
}

CTerminableWait::~CTerminableWait() {
    if (pCounts != nullptr) pCounts->nInWait.fetch_sub(1);
}

}  // namespace YRAPI::platform::win32

namespace YRAPI::platform {

// Read by CThread::Terminate only while the thread is suspended, after GetThreadContext has
// waited for it to stop: every count the thread made before is visible then.
void CDeferForcedEnd::EnterDeferral() {
    if (win32::tpCounts != nullptr) win32::tpCounts->nDeferred.fetch_add(1);
}

void CDeferForcedEnd::LeaveDeferral() {
    if (win32::tpCounts != nullptr) win32::tpCounts->nDeferred.fetch_sub(1);
}

}  // namespace YRAPI::platform

namespace YRAPI::platform::win32 {

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
