// CommandLine.cpp - options and the parent's console.
#include "CommandLine.h"

#include <windows.h>

namespace Tamberon {

namespace {

bool WriteAll(HANDLE hOutput, const std::string& szText) {
    DWORD nWritten = 0;
    return WriteFile(hOutput, szText.data(), static_cast<DWORD>(szText.size()), &nWritten,
                     nullptr) &&
           nWritten == szText.size();
}

}  // namespace

bool WriteToParentConsole(const std::string& szText) {
    // Started with its output redirected (a script's pipe, a file): write there.
    HANDLE hOutput = GetStdHandle(STD_OUTPUT_HANDLE);
    if (hOutput != nullptr && hOutput != INVALID_HANDLE_VALUE &&
        GetFileType(hOutput) != FILE_TYPE_UNKNOWN && WriteAll(hOutput, szText)) {
        return true;
    }
    // Started from a console window: a windowed program gets no console, so borrow the
    // parent's for the one write.
    if (!AttachConsole(ATTACH_PARENT_PROCESS)) return false;
    HANDLE hConsole = CreateFileA("CONOUT$", GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                  nullptr, OPEN_EXISTING, 0, nullptr);
    bool bWritten = false;
    if (hConsole != INVALID_HANDLE_VALUE) {
        bWritten = WriteAll(hConsole, szText);
        CloseHandle(hConsole);
    }
    FreeConsole();
    return bWritten;
}

}  // namespace Tamberon
