// CommandLineTest.cpp - the options the program answers before any window exists, and that the
// windowed program prints them where it was started from (here, a redirected output).
#include "CommandLine.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>
#include <windows.h>

namespace {

struct parse_case {
    std::vector<const char*> args;
    Tamberon::command expected;
};

TEST(CommandLine, KnowsHelpAndVersionAndLeavesTheRest) {
    const parse_case cases[] = {
        {{"tamberon"}, Tamberon::command::Run},
        {{"tamberon", "--help"}, Tamberon::command::Help},
        {{"tamberon", "-h"}, Tamberon::command::Help},
        {{"tamberon", "/?"}, Tamberon::command::Help},
        {{"tamberon", "--version"}, Tamberon::command::Version},
        {{"tamberon", "-v"}, Tamberon::command::Version},
        {{"tamberon", "--other", "-v", "--help"}, Tamberon::command::Version},
        {{"tamberon", "--helpme"}, Tamberon::command::Run},
    };
    for (const parse_case& c : cases) {
        std::vector<char*> argv;
        for (const char* szArg : c.args) argv.push_back(const_cast<char*>(szArg));
        EXPECT_EQ(Tamberon::ParseCommandLine(static_cast<int>(argv.size()), argv.data()),
                  c.expected)
            << c.args.back();
    }
}

// Runs the program with szArgs, its output to a pipe; the output and the exit code.
std::string RunProgram(const std::string& szArgs, DWORD* pdwExitCode) {
    SECURITY_ATTRIBUTES inherit{sizeof(inherit), nullptr, TRUE};
    HANDLE hRead = nullptr, hWrite = nullptr;
    if (!CreatePipe(&hRead, &hWrite, &inherit, 0)) return "pipe failed";
    SetHandleInformation(hRead, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOA startup{};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = hWrite;
    startup.hStdError = hWrite;
    PROCESS_INFORMATION process{};
    std::string szCommand = std::string("\"" TAMBERON_PROGRAM "\" ") + szArgs;
    BOOL bStarted = CreateProcessA(TAMBERON_PROGRAM, szCommand.data(), nullptr, nullptr, TRUE, 0,
                                   nullptr, nullptr, &startup, &process);
    CloseHandle(hWrite);
    std::string szOutput;
    if (bStarted) {
        char buffer[4096];
        DWORD nRead = 0;
        while (ReadFile(hRead, buffer, sizeof(buffer), &nRead, nullptr) && nRead > 0) {
            szOutput.append(buffer, nRead);
        }
        WaitForSingleObject(process.hProcess, 60000);
        GetExitCodeProcess(process.hProcess, pdwExitCode);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    } else {
        szOutput = "could not start " TAMBERON_PROGRAM;
    }
    CloseHandle(hRead);
    return szOutput;
}

TEST(CommandLine, TheProgramPrintsItsVersionAndHelpAndEnds) {
    DWORD dwExitCode = 1;
    EXPECT_EQ(RunProgram("--version", &dwExitCode), "Tamberon 1.0\r\n");
    EXPECT_EQ(dwExitCode, 0u);
    dwExitCode = 1;
    std::string szHelp = RunProgram("--help", &dwExitCode);
    EXPECT_EQ(szHelp, Tamberon::HelpText(Tamberon::kLineEnd));
    EXPECT_EQ(szHelp.rfind("Usage: tamberon", 0), 0u) << szHelp;
    EXPECT_EQ(dwExitCode, 0u);
}

}  // namespace
