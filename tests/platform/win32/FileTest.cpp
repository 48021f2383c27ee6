// win32/FileTest.cpp - CanRenameFile on Windows: another program's open without shared
// deletion is what keeps a file from being renamed, and the check sees it.
#include "tests/support/TempDir.h"
#include "yrapi/platform/ErrorText.h"
#include "yrapi/platform/File.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <windows.h>

namespace YRAPI::platform {
namespace {

// Holds a file open with the given sharing, as another program would.
class COpenFile {
  public:
    COpenFile(const std::string& szPath, DWORD dwShare)
        : hFile(CreateFileA(szPath.c_str(), GENERIC_READ | GENERIC_WRITE, dwShare, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr)) {}
    ~COpenFile() {
        if (hFile != INVALID_HANDLE_VALUE) CloseHandle(hFile);
    }
    COpenFile(const COpenFile&) = delete;
    COpenFile& operator=(const COpenFile&) = delete;
    bool IsOpen() const { return hFile != INVALID_HANDLE_VALUE; }

  private:
    HANDLE hFile;
};

TEST(CanRenameFileWin32, ARenameIsRefusedWhileAnotherOpenDoesNotShareDeletion) {
    test::CTempDir dir;
    const std::string szFile = dir.File("trace.log");
    ASSERT_TRUE(test::WriteFile(szFile, "live\n"));
    const struct {
        const char* szHow;
        DWORD dwShare;
        bool bCanRename;
    } cases[] = {
        {"reading and writing shared (as fopen opens)", FILE_SHARE_READ | FILE_SHARE_WRITE, false},
        {"nothing shared", 0, false},
        {"deletion shared too", FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.szHow);
        COpenFile open(szFile, c.dwShare);
        ASSERT_TRUE(open.IsOpen());
        SetLastError(0);
        EXPECT_EQ(CanRenameFile(szFile.c_str()), c.bCanRename);
        if (!c.bCanRename) {
            EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
        }
        // What the check said is what a rename meets.
        const std::string szMoved = dir.File("trace.1");
        bool bMoved = std::rename(szFile.c_str(), szMoved.c_str()) == 0;
        EXPECT_EQ(bMoved, c.bCanRename);
        if (bMoved) {
            ASSERT_EQ(std::rename(szMoved.c_str(), szFile.c_str()), 0);
        }
    }
    EXPECT_TRUE(CanRenameFile(szFile.c_str()));       // closed again
    EXPECT_FALSE(CanRenameFile(dir.Path().c_str()));  // a folder is no file
}

}  // namespace
}  // namespace YRAPI::platform
