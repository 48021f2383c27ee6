// SocketLibraryWinsock.cpp - Windows Sockets: WSAStartup with its fall-back from 2.2 to 1.1,
// and the test seam that replaces WSAStartup and WSACleanup.
#include "yrapi/net/SocketLibrary.h"
#include "yrapi/net/SocketStartup.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <winsock2.h>

namespace YRAPI {
namespace {

using startup_fn = int (*)(unsigned short, unsigned short*);
using cleanup_fn = int (*)();

constinit std::atomic<startup_fn> gStartup{nullptr};
constinit std::atomic<cleanup_fn> gCleanup{nullptr};

// Only the version word of the start-up record is looked at.
int SystemStartup(unsigned short wRequested, unsigned short* pwGranted) {
    WSADATA data{};
    int nResult = ::WSAStartup(wRequested, &data);
    *pwGranted = data.wVersion;
    return nResult;
}

int SystemCleanup() { return ::WSACleanup(); }

[[noreturn]] void Exit() {
    std::exit(-1);  // flushes standard output
}

}  // namespace

namespace detail {

socket_library StartSocketLibrary() {
    constexpr unsigned short kVersion22 = 0x0202;
    constexpr unsigned short kVersion11 = 0x0101;
    // The pair in use when the object is built; its clean-up goes with it, whatever a test
    // installs later.
    startup_fn pfnStartup = gStartup.load();
    cleanup_fn pfnCleanup = gCleanup.load();
    if (pfnStartup == nullptr) pfnStartup = &SystemStartup;
    if (pfnCleanup == nullptr) pfnCleanup = &SystemCleanup;
    socket_library library{0, pfnCleanup};
    if (pfnStartup(kVersion22, &library.wVersion) != 0) {
        std::printf("Error: Unable to find usable WinSock dll!\n");
        Exit();
    }
    if (library.wVersion == kVersion22) return library;
    std::printf("Error: Unable to find WinSock 2.2 dll!\n");
    std::printf("Error: trying to check if WinSock 1.1 dll is available!\n");
    pfnCleanup();
    if (pfnStartup(kVersion11, &library.wVersion) != 0) {
        std::printf("Error: Unable to find usable WinSock dll!\n");
        Exit();
    }
    if (library.wVersion != kVersion11) {
        std::printf("Error: Unable to find WinSock 1.1 dll! exit!\n");
        pfnCleanup();
        Exit();
    }
    return library;
}

int SystemHostName(char* szName, std::size_t nLength) {
    return ::gethostname(szName, static_cast<int>(nLength));
}

// The result lives in per-thread storage of the socket library; the constructor uses it at
// once.
hostent* SystemHostByName(const char* szName) { return ::gethostbyname(szName); }

}  // namespace detail

namespace testing {

void SetSocketLibrary(int (*pfnStartup)(unsigned short wRequested, unsigned short* pwGranted),
                      int (*pfnCleanup)()) {
    gStartup.store(pfnStartup);
    gCleanup.store(pfnCleanup);
}

}  // namespace testing
}  // namespace YRAPI
