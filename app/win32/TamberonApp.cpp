// TamberonApp.cpp - CTamberonApp and the application object.
#include "TamberonApp.h"

#include "CommandLine.h"
#include "TamberonDlg.h"

#include <commctrl.h>
#include <windows.h>

YRAPI_BEFORE_PROCESS_OBJECTS CTamberonApp theApp;

int CTamberonApp::Run(int argc, char** argv) {
    switch (Tamberon::ParseCommandLine(argc, argv)) {
        case Tamberon::command::Help:
            Tamberon::WriteToParentConsole(Tamberon::HelpText(Tamberon::kLineEnd));
            return 0;
        case Tamberon::command::Version:
            Tamberon::WriteToParentConsole(Tamberon::VersionText(Tamberon::kLineEnd));
            return 0;
        case Tamberon::command::Run:
            break;
    }
    InitInstance();
    return 0;
}

bool CTamberonApp::InitInstance() {
    // The controls of the dialogs, in the common controls' visual style (the manifest asks
    // for version 6).
    INITCOMMONCONTROLSEX controls{};
    controls.dwSize = sizeof(controls);
    controls.dwICC = ICC_STANDARD_CLASSES | ICC_WIN95_CLASSES;
    InitCommonControlsEx(&controls);
    {
        CTamberonDlg dlg;
        dlg.DoModal();
    }
    return false;
}
