// ProcessObjects.h - the library's process-wide objects: built before main in a fixed order
// and ended in reverse at exit. Every program that links yrapi gets them.
//
// Order of construction: the socket start-up object, the first process-wide CMutex, the log
// record queue, the second process-wide CMutex, the configuration file thread and the timer
// service. A program's own application object, when it has one, comes before all of them: it
// is defined with YRAPI_BEFORE_PROCESS_OBJECTS and holds a CProcessObjectRecord. The library's
// objects are built ahead of a program's ordinary global objects, which may therefore use them
// in their constructors and destructors.
//
// Life at the edges: the log front-end, the log table's entries, the Config... functions,
// GetTimerService() and the timer calls may be called at any moment, from any thread, also
// before these objects are built and after they have ended (by a global object built earlier,
// or a thread that runs on while main returns). The log queue, the configuration table and
// the timer service live in storage that is never freed: at exit an open log is closed (its
// queued lines are written), the queue drops what comes later, the configuration table
// answers every getter with the caller's default, and the timer service stops, refuses new
// timers and is no longer returned by GetTimerService() (null, as before it was built).
//
// Thread-safety: the record below is written during static construction and destruction,
// when only the main thread runs the process's start and end.
#pragma once

namespace YRAPI {

/// Puts a program's own process-wide object (its application object) into the library's
/// record of the process-wide objects: built when this member is built, and reported to the
/// observer as this member is destroyed. Hold it as the object's first member.
class CProcessObjectRecord {
  public:
    explicit CProcessObjectRecord(const char* szName);
    ~CProcessObjectRecord();
    CProcessObjectRecord(const CProcessObjectRecord&) = delete;
    CProcessObjectRecord& operator=(const CProcessObjectRecord&) = delete;

  private:
    const char* szName;
};

}  // namespace YRAPI

/// Defines a global object that is built before the library's process-wide objects and so
/// destroyed after them (an application object):
///     YRAPI_BEFORE_PROCESS_OBJECTS CMyApp theApp;
#if defined(__GNUC__)
#define YRAPI_BEFORE_PROCESS_OBJECTS [[gnu::init_priority(1000)]]
#else
#define YRAPI_BEFORE_PROCESS_OBJECTS
#endif

namespace YRAPI::testing {

/// Fills pszNames with the names of the process-wide objects in the order they were built
/// (up to nMax of them) and returns how many were built.
int ProcessObjectsBuilt(const char** pszNames, int nMax);

/// Calls pfnObserver(name) as each process-wide object's destruction begins, at exit.
void SetProcessObjectObserver(void (*pfnObserver)(const char* szName));

}  // namespace YRAPI::testing
