// ProcessObjects.cpp - the library's process-wide objects, defined in one translation unit so
// that their order of construction is the order of their definitions below (across files it
// would be arbitrary). Destruction runs in reverse.
#include "yrapi/ProcessObjects.h"

#include "yrapi/log/LogInterface.h"
#include "yrapi/log/LogState.h"
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

// The objects below are built before a program's ordinary global objects (default priority)
// and after those it marks with YRAPI_BEFORE_PROCESS_OBJECTS.
#if defined(__GNUC__)
#define YRAPI_PROCESS_OBJECT [[gnu::init_priority(2000)]]
#elif defined(_MSC_VER)
#pragma init_seg(lib)
#define YRAPI_PROCESS_OBJECT
#else
#define YRAPI_PROCESS_OBJECT
#endif

namespace YRAPI {
namespace {

constexpr int kMaxObjects = 16;
constinit const char* gBuilt[kMaxObjects] = {};
constinit int gBuiltCount = 0;
constinit std::atomic<void (*)(const char*)> gObserver{nullptr};

void RecordBuilt(const char* szName) {
    if (gBuiltCount < kMaxObjects) gBuilt[gBuiltCount++] = szName;
}

void ReportEnd(const char* szName) {
    if (auto* pfn = gObserver.load()) pfn(szName);
}

// One process-wide object held by value: built in its place, destroyed at exit.
template <class T>
struct TCProcessObject {
    template <class... Args>
    explicit TCProcessObject(const char* szName, Args&&... args)
        : object(std::forward<Args>(args)...), szName(szName) {
        RecordBuilt(szName);
    }
    ~TCProcessObject() { ReportEnd(szName); }
    TCProcessObject(const TCProcessObject&) = delete;
    TCProcessObject& operator=(const TCProcessObject&) = delete;

    T object;
    const char* szName;
};

// The log record queue's place in the order. The queue itself is built on first use, so that
// a line logged by an earlier static constructor is kept, and is never destroyed (see
// GetLogQueue). At exit its place closes an open log, so that the lines queued by then
// (the timer's and the configuration thread's last ones among them) reach the file, and then
// retires the queue: later lines are dropped.
struct CLogQueuePlace {
    static constexpr const char* kName = "log record queue";
    CLogQueuePlace() {
        GetLogQueue();
        RecordBuilt(kName);
    }
    ~CLogQueuePlace() {
        ReportEnd(kName);
        detail::EndLogAtExit();
    }
    CLogQueuePlace(const CLogQueuePlace&) = delete;
    CLogQueuePlace& operator=(const CLogQueuePlace&) = delete;
};

// The configuration table, built here and never freed, so that a caller still holding one of
// its value texts, or still inside a lookup, when the process ends reads valid memory. At exit
// the table stops serving the Config... functions first, then its thread is stopped.
constinit ::CConfigFileThread* gConfigTable = nullptr;
constinit std::atomic<::CConfigFileThread*> gServingConfigTable{nullptr};

struct CConfigTablePlace {
    static constexpr const char* kName = "configuration file thread";
    explicit CConfigTablePlace(DWORD dwPeriod) {
        gConfigTable = new ::CConfigFileThread(dwPeriod);
        gServingConfigTable.store(gConfigTable, std::memory_order_release);
        RecordBuilt(kName);
    }
    ~CConfigTablePlace() {
        ReportEnd(kName);
        gServingConfigTable.store(nullptr, std::memory_order_release);
        gConfigTable->StopForDestruction(200);
    }
    CConfigTablePlace(const CConfigTablePlace&) = delete;
    CConfigTablePlace& operator=(const CConfigTablePlace&) = delete;
};

// The order of these definitions is the order of construction.
YRAPI_PROCESS_OBJECT TCProcessObject<CSocketStartup> gSocketStartup("socket start-up");
YRAPI_PROCESS_OBJECT TCProcessObject<CMutex> gFirstMutex("first mutex");
YRAPI_PROCESS_OBJECT CLogQueuePlace gLogQueue;
YRAPI_PROCESS_OBJECT TCProcessObject<CMutex> gSecondMutex("second mutex");
YRAPI_PROCESS_OBJECT CConfigTablePlace gConfigFile(5000u);

// The timer service, built here and never freed, so that a client still holding it (a global
// object's destructor, a thread that runs on while main returns) calls into a valid object.
// At exit it is ended: new timers are refused, its thread is stopped and GetTimerService()
// returns null from then on.
constinit CTimerThread* gpTimerServiceStorage = nullptr;

struct CTimerServicePlace {
    static constexpr const char* kName = "timer service";
    CTimerServicePlace() {
        gpTimerServiceStorage = new CTimerThread();
        RecordBuilt(kName);
    }
    ~CTimerServicePlace() {
        ReportEnd(kName);
        gpTimerServiceStorage->End();
    }
    CTimerServicePlace(const CTimerServicePlace&) = delete;
    CTimerServicePlace& operator=(const CTimerServicePlace&) = delete;
};

// Last: the service is built after every object it may use, and is the first to go.
YRAPI_PROCESS_OBJECT CTimerServicePlace gTimerService;

}  // namespace

CProcessObjectRecord::CProcessObjectRecord(const char* szName) : szName(szName) {
    RecordBuilt(szName);
}

CProcessObjectRecord::~CProcessObjectRecord() { ReportEnd(szName); }

const CSocketStartup& GetSocketStartup() { return gSocketStartup.object; }

TCQueue<yr_log_str>& GetLogQueue() {
    // Never deleted: threads and destructors may still log after the process-wide objects
    // have ended, and then find the retired queue, which drops their lines.
    static TCQueue<yr_log_str>* const pQueue =
        new TCQueue<yr_log_str>(128u, /*bSignalled=*/false, /*bLocked=*/true);
    return *pQueue;
}

::CConfigFileThread& GetConfigFileThread() { return *gConfigTable; }

namespace detail {

::CConfigFileThread* ServingConfigTable() {
    return gServingConfigTable.load(std::memory_order_acquire);
}

}  // namespace detail

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
