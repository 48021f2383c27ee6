// AppStartBench.cpp - how fast the utility comes up and goes away, beside a bare Qt program
// that shows one empty QDialog (the floor), in the same run on the same X display (Xvfb):
//
//   start  from the program's launch to the X server's MapNotify of its window, which names
//          the moment the window is shown;
//   (and, for reference, the same bare program with one line of text: the empty dialog
//   never loads a font, which every dialog that draws text must)
//   exit   from the close request (WM_DELETE_WINDOW, what a window manager's close button
//          sends) to the end of the process, as waitpid sees it.
//
// The programs take turns, run after run, so that all meet the same load. Prints the medians,
// the utility's start as a ratio of the dialog with one line of text (the target: within 1.3x
// of it and under 300 ms) and of the empty floor, and the exit (target: within 150 ms).
//
//   xvfb-run -a build/bench/bench/tamberon_start_bench build/bench/app/qt/tamberon
//       build/bench/bench/bare_dialog [runs, default 20]   (one command line)
//
// With --wine it measures the Win32 front end the same way, each program started as
// "WINE PROGRAM.exe" (Wine's own settings come from the environment: WINEPREFIX, WINEDEBUG),
// beside a bare Win32 program with one dialog and one line of text; bench/win32/run-bench.sh
// sets up the display and the prefix:
//
//   tamberon_start_bench --wine /usr/lib/wine/wine64 tamberon.exe bare_dialog_win32.exe [runs]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <spawn.h>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>
#include <xcb/xcb.h>

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

struct CFreeDeleter {
    void operator()(void* p) const { std::free(p); }
};

xcb_atom_t Atom(xcb_connection_t* pConnection, const char* szName) {
    std::unique_ptr<xcb_intern_atom_reply_t, CFreeDeleter> pReply(xcb_intern_atom_reply(
        pConnection,
        xcb_intern_atom(pConnection, 0, static_cast<uint16_t>(std::strlen(szName)), szName),
        nullptr));
    return pReply ? pReply->atom : static_cast<xcb_atom_t>(XCB_ATOM_NONE);
}

std::string WindowName(xcb_connection_t* pConnection, xcb_window_t window) {
    std::unique_ptr<xcb_get_property_reply_t, CFreeDeleter> pReply(
        xcb_get_property_reply(pConnection,
                               xcb_get_property(pConnection, 0, window, XCB_ATOM_WM_NAME,
                                                XCB_GET_PROPERTY_TYPE_ANY, 0, 256),
                               nullptr));
    if (!pReply) return {};
    return std::string(static_cast<const char*>(xcb_get_property_value(pReply.get())),
                       static_cast<std::size_t>(xcb_get_property_value_length(pReply.get())));
}

struct run_times {
    double dStartMs = -1;
    double dExitMs = -1;
    double dCpuMs = -1;  // the process's own CPU time (user and system), the whole run
};

double Ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

// One run of szProgram (with szArg, when given), whose window is titled szTitle; negative
// times for a failed run.
run_times RunOnce(xcb_connection_t* pConnection, const char* szProgram, const char* szTitle,
                  const char* szArg = nullptr) {
    run_times times;
    xcb_atom_t protocols = Atom(pConnection, "WM_PROTOCOLS");
    xcb_atom_t deleteWindow = Atom(pConnection, "WM_DELETE_WINDOW");
    char* argv[] = {const_cast<char*>(szProgram), const_cast<char*>(szArg), nullptr};
    Clock::time_point launched = Clock::now();
    pid_t pid = 0;
    if (posix_spawn(&pid, szProgram, nullptr, nullptr, argv, environ) != 0) return times;
    xcb_window_t window = XCB_WINDOW_NONE;
    Clock::time_point shown;
    while (window == XCB_WINDOW_NONE) {
        std::unique_ptr<xcb_generic_event_t, CFreeDeleter> pEvent(xcb_wait_for_event(pConnection));
        if (!pEvent) return times;
        if ((pEvent->response_type & 0x7F) != XCB_MAP_NOTIFY) continue;
        auto* pMap = reinterpret_cast<xcb_map_notify_event_t*>(pEvent.get());
        Clock::time_point now = Clock::now();
        if (WindowName(pConnection, pMap->window) == szTitle) {
            window = pMap->window;
            shown = now;
        }
    }
    times.dStartMs = Ms(shown - launched);
    // Let the program settle, as a user would look at it before closing it.
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    xcb_client_message_event_t message{};
    message.response_type = XCB_CLIENT_MESSAGE;
    message.format = 32;
    message.window = window;
    message.type = protocols;
    message.data.data32[0] = deleteWindow;
    message.data.data32[1] = XCB_CURRENT_TIME;
    Clock::time_point closed = Clock::now();
    xcb_send_event(pConnection, 0, window, XCB_EVENT_MASK_NO_EVENT,
                   reinterpret_cast<const char*>(&message));
    xcb_flush(pConnection);
    int nStatus = 0;
    rusage usage{};
    if (wait4(pid, &nStatus, 0, &usage) != pid || !WIFEXITED(nStatus) ||
        WEXITSTATUS(nStatus) != 0) {
        return times;
    }
    times.dExitMs = Ms(Clock::now() - closed);
    auto timevalMs = [](const timeval& tv) {
        return static_cast<double>(tv.tv_sec) * 1000.0 + static_cast<double>(tv.tv_usec) / 1000.0;
    };
    times.dCpuMs = timevalMs(usage.ru_utime) + timevalMs(usage.ru_stime);
    // Drop the events of this run's windows.
    while (std::unique_ptr<xcb_generic_event_t, CFreeDeleter>(xcb_poll_for_event(pConnection))) {
    }
    return times;
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    std::size_t n = values.size();
    return n == 0 ? 0.0 : n % 2 != 0 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

// The Win32 front end under Wine beside the bare Win32 dialog with one line of text (its
// floor there: Wine's own start-up and a dialog that draws text).
int RunWine(xcb_connection_t* pConnection, const char* szWine, const char* szApp,
            const char* szBare, int nRuns) {
    std::vector<double> appStart, appExit, bareStart, bareExit, appCpu, bareCpu;
    for (int i = 0; i < nRuns; ++i) {
        run_times app = RunOnce(pConnection, szWine, "Tamberon", szApp);
        run_times bare = RunOnce(pConnection, szWine, "BareDialogText", szBare);
        if (app.dExitMs < 0 || bare.dExitMs < 0) {
            std::fprintf(stderr, "run %d failed\n", i + 1);
            return 1;
        }
        appStart.push_back(app.dStartMs);
        appExit.push_back(app.dExitMs);
        bareStart.push_back(bare.dStartMs);
        bareExit.push_back(bare.dExitMs);
        appCpu.push_back(app.dCpuMs);
        bareCpu.push_back(bare.dCpuMs);
    }
    double dAppStart = Median(appStart), dBareStart = Median(bareStart);
    double dAppExit = Median(appExit), dBareExit = Median(bareExit);
    // Under Wine a start also waits for the Wine server and its service processes, which share
    // the machine with everything else: on a loaded machine the medians move from set to set,
    // so the fastest start of each program (the least disturbed) and the CPU time of the
    // program's own process over the whole run are printed beside them.
    double dAppBest = *std::min_element(appStart.begin(), appStart.end());
    double dBareBest = *std::min_element(bareStart.begin(), bareStart.end());
    std::printf("%d runs each under Wine, medians (start: also the fastest run)\n", nRuns);
    std::printf("%-12s %12s %12s %12s %12s\n", "", "start (ms)", "fastest (ms)", "exit (ms)",
                "CPU (ms)");
    std::printf("%-12s %12.1f %12.1f %12.1f %12.1f\n", "tamberon.exe", dAppStart, dAppBest,
                dAppExit, Median(appCpu));
    std::printf("%-12s %12.1f %12.1f %12.1f %12.1f   (floor: one line of text)\n", "bare dialog",
                dBareStart, dBareBest, dBareExit, Median(bareCpu));
    std::printf("start ratio to the bare dialog %.2fx (target <= 1.3x: %s), fastest runs %.2fx\n",
                dAppStart / dBareStart, dAppStart <= 1.3 * dBareStart ? "met" : "missed",
                dAppBest / dBareBest);
    std::printf("exit after close %.1f ms, %.2fx the bare dialog's (target <= 150 ms: %s)\n",
                dAppExit, dAppExit / dBareExit, dAppExit <= 150 ? "met" : "missed");
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    bool bWine = argc > 1 && std::strcmp(argv[1], "--wine") == 0;
    int nFirst = bWine ? 2 : 1;  // the first program argument
    int nPrograms = bWine ? 3 : 2;
    if (argc < nFirst + nPrograms) {
        std::fprintf(stderr,
                     "usage: %s <tamberon> <bare_dialog> [runs]\n"
                     "       %s --wine <wine64> <tamberon.exe> <bare_dialog_win32.exe> [runs]\n",
                     argv[0], argv[0]);
        return 2;
    }
    int nRuns = argc > nFirst + nPrograms ? std::atoi(argv[nFirst + nPrograms]) : 20;
    xcb_connection_t* pConnection = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(pConnection) != 0) {
        std::fprintf(stderr, "no X display: run under xvfb-run\n");
        return 2;
    }
    xcb_screen_t* pScreen = xcb_setup_roots_iterator(xcb_get_setup(pConnection)).data;
    uint32_t nMask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    xcb_change_window_attributes(pConnection, pScreen->root, XCB_CW_EVENT_MASK, &nMask);
    xcb_flush(pConnection);
    if (bWine) {
        int nResult = RunWine(pConnection, argv[2], argv[3], argv[4], nRuns);
        xcb_disconnect(pConnection);
        return nResult;
    }

    std::vector<double> appStart, appExit, bareStart, bareExit, textStart, textExit;
    for (int i = 0; i < nRuns; ++i) {
        run_times app = RunOnce(pConnection, argv[1], "Tamberon");
        run_times bare = RunOnce(pConnection, argv[2], "BareDialog");
        run_times text = RunOnce(pConnection, argv[2], "BareDialogText", "--text");
        if (app.dExitMs < 0 || bare.dExitMs < 0 || text.dExitMs < 0) {
            std::fprintf(stderr, "run %d failed\n", i + 1);
            return 1;
        }
        appStart.push_back(app.dStartMs);
        appExit.push_back(app.dExitMs);
        bareStart.push_back(bare.dStartMs);
        bareExit.push_back(bare.dExitMs);
        textStart.push_back(text.dStartMs);
        textExit.push_back(text.dExitMs);
    }
    double dAppStart = Median(appStart), dBareStart = Median(bareStart);
    double dAppExit = Median(appExit), dBareExit = Median(bareExit);
    std::printf("%d runs each, medians\n", nRuns);
    std::printf("%-12s %12s %12s\n", "", "start (ms)", "exit (ms)");
    std::printf("%-12s %12.1f %12.1f\n", "tamberon", dAppStart, dAppExit);
    std::printf("%-12s %12.1f %12.1f\n", "bare QDialog", dBareStart, dBareExit);
    std::printf("%-12s %12.1f %12.1f   (reference: one line of text)\n", "text QDialog",
                Median(textStart), Median(textExit));
    double dTextStart = Median(textStart);
    std::printf("start ratio to the dialog with text %.2fx (target <= 1.3x and < 300 ms: %s)\n",
                dAppStart / dTextStart,
                dAppStart <= 1.3 * dTextStart && dAppStart < 300 ? "met" : "missed");
    std::printf("start ratio to the empty dialog %.2fx\n", dAppStart / dBareStart);
    std::printf("exit after close %.1f ms (target <= 150 ms: %s)\n", dAppExit,
                dAppExit <= 150 ? "met" : "missed");
    xcb_disconnect(pConnection);
    return 0;
}
