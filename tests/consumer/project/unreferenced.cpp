// unreferenced.cpp - a program that names nothing of the library's process-wide objects: its
// only link-time reference into yrapi is the tick counter. It then looks the objects' record
// up at run time, through the program's own dynamic symbol table, where it exists only if the
// linker kept the objects' file. Built twice: as a user of the package, where the objects
// must have been built before main, in order; and as the control (YRAPI_CONSUMER_CONTROL),
// linked against the bare archive, where they must be missing.
#include <yrapi/platform/Time.h>

#include <cstdio>
#include <cstring>
#include <dlfcn.h>

namespace {

// YRAPI::testing::ProcessObjectsBuilt(const char**, int), by its Itanium C++ ABI name.
constexpr const char* kBuiltSymbol = "_ZN5YRAPI7testing19ProcessObjectsBuiltEPPKci";

}  // namespace

int main() {
    volatile YRAPI::DWORD dwTick = YRAPI::platform::GetTickCount();
    (void)dwTick;
    using BuiltFn = int (*)(const char**, int);
    auto pfnBuilt = reinterpret_cast<BuiltFn>(dlsym(RTLD_DEFAULT, kBuiltSymbol));
#ifdef YRAPI_CONSUMER_CONTROL
    if (pfnBuilt != nullptr) {
        std::printf(
            "control: the process-wide objects were linked without the package's link "
            "option; the check proves nothing\n");
        return 1;
    }
    std::printf("control: without the package's link option the objects are dropped\n");
    return 0;
#else
    if (pfnBuilt == nullptr) {
        std::printf("unreferenced: the process-wide objects are missing\n");
        return 1;
    }
    const char* szNames[16] = {};
    int n = pfnBuilt(szNames, 16);
    // The log's objects, in their fixed order; other objects may stand around them.
    const char* szExpected[] = {"first mutex", "log record queue", "second mutex"};
    int nFound = 0;
    for (int i = 0; i < n && i < 16 && nFound < 3; ++i) {
        if (std::strcmp(szNames[i], szExpected[nFound]) == 0) ++nFound;
    }
    std::printf("unreferenced: %d process-wide objects built before main:", n);
    for (int i = 0; i < n && i < 16; ++i) std::printf(" [%s]", szNames[i]);
    std::printf("\n");
    return nFound == 3 ? 0 : 1;
#endif
}
