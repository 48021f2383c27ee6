// SocketLibrary.h - private to yrapi/net: the platform's socket library as CSocketStartup uses
// it (SocketLibrary<Platform>.cpp): its start-up and clean-up, and the host name and resolver
// calls, with the platform's socket headers.
#pragma once

#if defined(_WIN32)
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <winsock2.h>
#else
#include <netdb.h>
#endif

#include <cstddef>

namespace YRAPI::detail {

/// Starts the socket library, as the platform needs, and returns the version it granted (major
/// in the low byte, minor in the high byte), or 0 where there is nothing to start. Asks for
/// 2.2 and falls back to 1.1, printing the fixed lines; when neither is granted it prints the
/// last line and ends the process with exit code -1.
unsigned short StartSocketLibrary();

/// Balances a StartSocketLibrary that succeeded.
void CleanupSocketLibrary();

/// The system's gethostname and gethostbyname.
int SystemHostName(char* szName, std::size_t nLength);
hostent* SystemHostByName(const char* szName);

}  // namespace YRAPI::detail
