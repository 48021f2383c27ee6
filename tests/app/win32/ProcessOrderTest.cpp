// ProcessOrderTest.cpp - the application object's place among the process-wide objects: built
// first and destroyed last, while the library's objects keep their order. The end is watched in
// a child run of this program that only leaves main.
#include "TamberonApp.h"

#include <yrapi/ProcessObjects.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>
#include <windows.h>

namespace {

constexpr const char* kChildVariable = "TAMBERON_ORDER_CHILD";

// At exit the C runtime's streams may be gone: write each name straight to the handle.
void ReportEnd(const char* szName) {
    std::string szLine = std::string("end: ") + szName + "\n";
    DWORD nWritten = 0;
    WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), szLine.data(), static_cast<DWORD>(szLine.size()),
              &nWritten, nullptr);
}

// Runs this program again with the child variable set; its standard output, or "" on failure.
std::string RunChild(DWORD* pdwExitCode) {
    char szSelf[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, szSelf, sizeof(szSelf));
    char szOut[MAX_PATH] = {};
    char szTemp[MAX_PATH] = {};
    GetTempPathA(sizeof(szTemp), szTemp);
    GetTempFileNameA(szTemp, "tpo", 0, szOut);
    SECURITY_ATTRIBUTES inherit{sizeof(inherit), nullptr, TRUE};
    HANDLE hOut = CreateFileA(szOut, GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (hOut == INVALID_HANDLE_VALUE) return {};
    STARTUPINFOA startup{};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = hOut;
    startup.hStdError = hOut;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    PROCESS_INFORMATION process{};
    SetEnvironmentVariableA(kChildVariable, "1");
    std::string szCommand = std::string("\"") + szSelf + "\"";
    BOOL bStarted = CreateProcessA(szSelf, szCommand.data(), nullptr, nullptr, TRUE, 0, nullptr,
                                   nullptr, &startup, &process);
    SetEnvironmentVariableA(kChildVariable, nullptr);
    CloseHandle(hOut);
    std::string szOutput;
    if (bStarted) {
        WaitForSingleObject(process.hProcess, 60000);
        GetExitCodeProcess(process.hProcess, pdwExitCode);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
        HANDLE hIn = CreateFileA(szOut, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                 OPEN_EXISTING, 0, nullptr);
        char buffer[4096];
        DWORD nRead = 0;
        while (hIn != INVALID_HANDLE_VALUE &&
               ReadFile(hIn, buffer, sizeof(buffer), &nRead, nullptr) && nRead > 0) {
            szOutput.append(buffer, nRead);
        }
        if (hIn != INVALID_HANDLE_VALUE) CloseHandle(hIn);
    }
    DeleteFileA(szOut);
    return szOutput;
}

TEST(ProcessOrder, TheApplicationObjectIsBuiltFirst) {
    const char* names[16] = {};
    int nBuilt = YRAPI::testing::ProcessObjectsBuilt(names, 16);
    std::vector<std::string> built(names, names + std::min(nBuilt, 16));
    EXPECT_EQ(built, (std::vector<std::string>{"application object", "socket start-up",
                                               "first mutex", "log record queue", "second mutex",
                                               "configuration file thread", "timer service"}));
}

TEST(ProcessOrder, TheApplicationObjectIsDestroyedLast) {
    DWORD dwExitCode = 1;
    std::istringstream output(RunChild(&dwExitCode));
    EXPECT_EQ(dwExitCode, 0u);
    std::vector<std::string> ends;
    for (std::string szLine; std::getline(output, szLine);) {
        if (szLine.rfind("end: ", 0) == 0) ends.push_back(szLine.substr(5));
    }
    EXPECT_EQ(ends, (std::vector<std::string>{"timer service", "configuration file thread",
                                              "second mutex", "log record queue", "first mutex",
                                              "socket start-up", "application object"}));
}

}  // namespace

int main(int argc, char** argv) {
    if (std::getenv(kChildVariable) != nullptr) {
        YRAPI::testing::SetProcessObjectObserver(&ReportEnd);
        return 0;  // the process-wide objects end after main, the application object last
    }
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
