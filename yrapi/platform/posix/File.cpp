// posix/File.cpp - file system checks on POSIX.
#include "yrapi/platform/File.h"

#include "yrapi/platform/ErrorText.h"
#include "yrapi/platform/Internal.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#if defined(__linux__)
#include <linux/fs.h>
#endif

namespace YRAPI::platform {

bool CanRenameFile(const char* szPath) {
    if (szPath == nullptr || szPath[0] == '\0') {
        SetLastError(EINVAL);
        return false;
    }
    if (detail::ConsumeFault(testing::Fault::FileRename)) {
        SetLastError(EACCES);
        return false;
    }
    struct stat fileStat {};
    if (lstat(szPath, &fileStat) != 0) {
        SetLastError(static_cast<DWORD>(errno));
        return false;
    }
    // A rename adds a name to the folder and removes one from it: it needs write and search
    // permission there (for this process's effective ids), and a folder on a read-only file
    // system refuses it whatever the permissions say; access() reports both.
    const char* pSlash = std::strrchr(szPath, '/');
    const std::string szFolder = pSlash == nullptr
                                     ? std::string(".")
                                     : std::string(szPath, pSlash == szPath ? 1 : pSlash - szPath);
    if (faccessat(AT_FDCWD, szFolder.c_str(), W_OK | X_OK, AT_EACCESS) != 0) {
        SetLastError(static_cast<DWORD>(errno));
        return false;
    }
    // In a sticky folder (such as /tmp) only the file's owner, the folder's owner or root may
    // move the file.
    struct stat folderStat {};
    if (stat(szFolder.c_str(), &folderStat) == 0 && (folderStat.st_mode & S_ISVTX) != 0) {
        uid_t uid = geteuid();
        if (uid != 0 && uid != fileStat.st_uid && uid != folderStat.st_uid) {
            SetLastError(EPERM);
            return false;
        }
    }
#if defined(__linux__)
    // An append-only or immutable file (chattr +a, +i: a common guard for log files) cannot be
    // renamed by anyone. A file this process cannot open for reading is not looked at.
    int nFile = open(szPath, O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC);
    if (nFile >= 0) {
        int nFlags = 0;
        bool bFixed = ioctl(nFile, FS_IOC_GETFLAGS, &nFlags) == 0 &&
                      (nFlags & (FS_APPEND_FL | FS_IMMUTABLE_FL)) != 0;
        close(nFile);
        if (bFixed) {
            SetLastError(EPERM);
            return false;
        }
    }
#endif
    return true;
}

}  // namespace YRAPI::platform
