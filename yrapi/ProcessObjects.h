// ProcessObjects.h - the library's process-wide objects: built before main in a fixed order
// and destroyed in reverse at exit. Every program that links yrapi gets them.
//
// Order of construction: the socket start-up object, the first process-wide CMutex, the log
// record queue, the second process-wide CMutex, the configuration file thread and the timer
// service. A program's own application object, when it has one, comes before all of them.
// Thread-safety: the records below are written during static construction and destruction,
// when only the main thread runs the process's start and end.
#pragma once

namespace YRAPI::testing {

/// Fills pszNames with the names of the process-wide objects in the order they were built
/// (up to nMax of them) and returns how many were built.
int ProcessObjectsBuilt(const char** pszNames, int nMax);

/// Calls pfnObserver(name) as each process-wide object's destruction begins, at exit.
void SetProcessObjectObserver(void (*pfnObserver)(const char* szName));

}  // namespace YRAPI::testing
