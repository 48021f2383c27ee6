// TamberonApp.h - CTamberonApp, the application object of the Win32 program: the first of the
// process's process-wide objects to be built and the last to be destroyed (it is defined with
// YRAPI_BEFORE_PROCESS_OBJECTS and records itself, as "application object", in the library's
// record of those objects). Run answers the command line and calls InitInstance, which
// initialises the common controls, runs the main dialog modally (DialogBoxParam) and returns
// false: the program then ends without a message loop of its own.
//
// Thread-safety: main thread only. Ownership: InitInstance owns the main dialog on its stack.
#pragma once

#include <yrapi/ProcessObjects.h>

class CTamberonApp {
  public:
    CTamberonApp() = default;
    virtual ~CTamberonApp() = default;

    CTamberonApp(const CTamberonApp&) = delete;
    CTamberonApp& operator=(const CTamberonApp&) = delete;

    /// The program: --help and --version print (see CommandLine.h) and return 0; otherwise
    /// InitInstance runs, and the result is 0 once it has returned false (the dialog's result
    /// is not looked at).
    int Run(int argc, char** argv);

    /// Start-up: initialises the common controls, builds the main dialog on its
    /// stack, runs it modally, destroys it and returns false.
    virtual bool InitInstance();

  private:
    // First member: the object is in the library's record from the start of its construction
    // to the end of its destruction.
    YRAPI::CProcessObjectRecord record{"application object"};
};

/// The one application object.
extern CTamberonApp theApp;
