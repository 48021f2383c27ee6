// ProcessObjects.cpp - the library's process-wide objects, defined in one translation unit so
// that their order of construction is the order of their definitions below (across files it
// would be arbitrary). Destruction runs in reverse.
#include "yrapi/ProcessObjects.h"

#include "yrapi/log/LogInterface.h"
#include "yrapi/net/SocketStartup.h"
#include "yrapi/text/ConfigFileThread.h"
#include "yrapi/threads/Mutex.h"
#include "yrapi/threads/Timer.h"

#include <atomic>
#include <utility>

// Every program that links yrapi asks the linker for this symbol (see yrapi/CMakeLists.txt),
// which brings this file, and so the objects, into the program.
extern "C" {
int yrapi_process_objects_anchor = 0;
}

namespace YRAPI {
namespace {

constexpr int kMaxObjects = 16;
constinit const char* gBuilt[kMaxObjects] = {};
constinit int gBuiltCount = 0;
constinit std::atomic<void (*)(const char*)> gObserver{nullptr};

// Wraps one process-wide object to record its construction and the start of its destruction.
template <class T>
struct TCProcessObject {
    template <class... Args>
    explicit TCProcessObject(const char* szName, Args&&... args)
        : object(std::forward<Args>(args)...), szName(szName) {
        if (gBuiltCount < kMaxObjects) gBuilt[gBuiltCount++] = szName;
    }
    ~TCProcessObject() {
        if (auto* pfn = gObserver.load()) pfn(szName);
    }
    TCProcessObject(const TCProcessObject&) = delete;
    TCProcessObject& operator=(const TCProcessObject&) = delete;

    T object;
    const char* szName;
};

// The order of these definitions is the order of construction.
TCProcessObject<CSocketStartup> gSocketStartup("socket start-up");
TCProcessObject<CMutex> gFirstMutex("first mutex");
TCProcessObject<TCQueue<yr_log_str>> gLogQueue("log record queue", 128u, /*bSignalled=*/false,
                                               /*bLocked=*/true);
TCProcessObject<CMutex> gSecondMutex("second mutex");
TCProcessObject<CConfigFileThread> gConfigFile("configuration file thread", 5000u);

// Last: the service is built after every object it may use, and is the first to go.
TCProcessObject<CTimerThread> gTimerService("timer service");

}  // namespace

const CSocketStartup& GetSocketStartup() { return gSocketStartup.object; }
TCQueue<yr_log_str>& GetLogQueue() { return gLogQueue.object; }
::CConfigFileThread& GetConfigFileThread() { return gConfigFile.object; }

namespace testing {

int ProcessObjectsBuilt(const char** pszNames, int nMax) {
    for (int i = 0; i < gBuiltCount && i < nMax; ++i) pszNames[i] = gBuilt[i];
    return gBuiltCount;
}

void SetProcessObjectObserver(void (*pfnObserver)(const char* szName)) {
    gObserver.store(pfnObserver);
}

}  // namespace testing
}  // namespace YRAPI
