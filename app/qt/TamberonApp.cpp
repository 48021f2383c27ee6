// TamberonApp.cpp - CTamberonApp and the application object.
#include "TamberonApp.h"

#include "CommandLine.h"
#include "Resources.h"
#include "TamberonDlg.h"

#include <QApplication>

#include <cstdio>
#include <string>

YRAPI_BEFORE_PROCESS_OBJECTS CTamberonApp theApp;

int CTamberonApp::Run(int argc, char** argv) {
    switch (Tamberon::ParseCommandLine(argc, argv)) {
        case Tamberon::command::Help:
            std::fputs(Tamberon::QtHelpText().c_str(), stdout);
            return 0;
        case Tamberon::command::Version:
            std::fputs(Tamberon::VersionText().c_str(), stdout);
            return 0;
        case Tamberon::command::Run:
            break;
    }
    std::string szProblem = Tamberon::FindDisplayProblem(argc, argv);
    if (!szProblem.empty()) {
        std::fputs(szProblem.c_str(), stderr);
        return 1;
    }
    InitInstance(argc, argv);
    return 0;
}

bool CTamberonApp::InitInstance(int& argc, char** argv) {
    QApplication::setOrganizationName(QStringLiteral("Tamberon"));
    QApplication::setApplicationName(QStringLiteral("tamberon"));
    QApplication::setApplicationVersion(QLatin1String(Tamberon::kVersion));
    QApplication::setDesktopFileName(QStringLiteral("tamberon"));
    QApplication application(argc, argv);
    QApplication::setWindowIcon(Tamberon::LoadResIcon(IDR_MAINFRAME));
    {
        CTamberonDlg dlg;
        dlg.exec();
    }
    return false;
}
