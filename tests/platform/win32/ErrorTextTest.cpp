// win32/ErrorTextTest.cpp - the Win32 backend's error codes: the system's codes of the calls
// that failed, kept by the layer until the caller asks, and the system's texts for them.
#include "tests/support/TempDir.h"
#include "yrapi/platform/ErrorText.h"
#include "yrapi/platform/File.h"
#include "yrapi/platform/KernelMutex.h"
#include "yrapi/platform/Semaphore.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <windows.h>

namespace YRAPI::platform {
namespace {

TEST(ErrorTextWin32, TheSystemsCodeOfAFailedCallOutlivesLaterSystemCalls) {
    test::CTempDir dir;
    auto pMutex = CKernelMutex::Create();
    auto pSemaphore = CSemaphore::Create(1, 1);
    ASSERT_NE(pMutex, nullptr);
    ASSERT_NE(pSemaphore, nullptr);
    const std::string szMissing = dir.File("missing.log");
    const struct {
        const char* szCall;
        std::function<bool()> pfnFails;
        DWORD dwCode;
    } cases[] = {
        {"release of an unowned mutex", [&] { return !pMutex->Release(); }, ERROR_NOT_OWNER},
        {"release past the maximum", [&] { return !pSemaphore->Release(); }, ERROR_TOO_MANY_POSTS},
        {"semaphore above its maximum", [] { return CSemaphore::Create(2, 1) == nullptr; },
         ERROR_INVALID_PARAMETER},
        {"rename check of a missing file", [&] { return !CanRenameFile(szMissing.c_str()); },
         ERROR_FILE_NOT_FOUND},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.szCall);
        SetLastError(0);
        ASSERT_TRUE(c.pfnFails());
        ::SetLastError(ERROR_SUCCESS);  // as the C runtime's and other libraries' calls may
        EXPECT_EQ(GetLastError(), c.dwCode);
        std::string szText = ErrorText(c.dwCode);
        EXPECT_NE(szText.rfind("Unknown error", 0), 0u) << szText;
        EXPECT_EQ(szText.find_first_of("\r\n"), std::string::npos) << szText;
    }
}

}  // namespace
}  // namespace YRAPI::platform
