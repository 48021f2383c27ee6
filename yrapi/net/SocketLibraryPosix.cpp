// SocketLibraryPosix.cpp - the socket library on POSIX: there is nothing to start or clean up.
#include "yrapi/net/SocketLibrary.h"

#include <netdb.h>
#include <unistd.h>

namespace YRAPI::detail {

socket_library StartSocketLibrary() { return {}; }

int SystemHostName(char* szName, std::size_t nLength) { return ::gethostname(szName, nLength); }

// gethostbyname keeps the resolver's order of the addresses, which the list preserves. Its
// result lives in a static buffer: the constructor runs once, at start-up, on one thread.
hostent* SystemHostByName(const char* szName) { return ::gethostbyname(szName); }

}  // namespace YRAPI::detail
