// win32/File.cpp - file system checks on Windows.
#include "yrapi/platform/File.h"

#include "yrapi/platform/ErrorText.h"
#include "yrapi/platform/Internal.h"
#include "yrapi/platform/win32/Win32.h"

namespace YRAPI::platform {

bool CanRenameFile(const char* szPath) {
    if (szPath == nullptr || szPath[0] == '\0') {
        SetLastError(ERROR_INVALID_PARAMETER);
        return false;
    }
    if (detail::ConsumeFault(testing::Fault::FileRename)) {
        SetLastError(ERROR_ACCESS_DENIED);
        return false;
    }
    // A rename opens the file for DELETE access. Asking for that access while sharing
    // everything probes what a rename would meet: a sharing violation when another program
    // holds the file open without FILE_SHARE_DELETE (as the C runtime's fopen and most editors
    // and viewers open files), access denied when the file's or its folder's security forbids
    // removing its name, and the file's absence. Nothing is changed.
    HANDLE hFile =
        ::CreateFileA(szPath, DELETE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                      nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (hFile == INVALID_HANDLE_VALUE) {
        win32::KeepSystemError();
        return false;
    }
    ::CloseHandle(hFile);
    return true;
}

}  // namespace YRAPI::platform
