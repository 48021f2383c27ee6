// win32/Semaphore.cpp - the counting semaphore as a Win32 semaphore object.
#include "yrapi/platform/Semaphore.h"

#include "yrapi/platform/ErrorText.h"
#include "yrapi/platform/Internal.h"
#include "yrapi/platform/win32/Win32.h"

namespace YRAPI::platform {

struct CSemaphore::Impl {
    win32::CHandle hSemaphore;
};

std::unique_ptr<CSemaphore> CSemaphore::Create(DWORD dwInitial, DWORD dwMaximum) {
    if (detail::ConsumeFault(testing::Fault::SemaphoreCreate)) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    // The kernel counts in a LONG; it refuses a maximum of 0 and an initial count above it.
    if (dwMaximum > 0x7FFFFFFFu) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    HANDLE hSemaphore = ::CreateSemaphoreA(nullptr, static_cast<LONG>(dwInitial),
                                           static_cast<LONG>(dwMaximum), nullptr);
    if (hSemaphore == nullptr) {
        win32::KeepSystemError();
        return nullptr;
    }
    return std::unique_ptr<CSemaphore>(
        new CSemaphore(std::unique_ptr<Impl>(new Impl{win32::CHandle(hSemaphore)})));
}

CSemaphore::CSemaphore(std::unique_ptr<Impl> pImpl) : pImpl(std::move(pImpl)) {}

CSemaphore::~CSemaphore() = default;

WaitResult CSemaphore::Wait(DWORD dwTimeoutMs) {
    win32::CTerminableWait wait;
    return win32::FromWait(::WaitForSingleObject(pImpl->hSemaphore.Get(), dwTimeoutMs));
}

bool CSemaphore::Release() {
    // The waiter that takes this count may close the semaphore at once: nothing of it is
    // touched once the kernel has added the count.
    if (::ReleaseSemaphore(pImpl->hSemaphore.Get(), 1, nullptr)) return true;
    win32::KeepSystemError();  // ERROR_TOO_MANY_POSTS past the maximum
    return false;
}

}  // namespace YRAPI::platform
