// main.cpp - an outside program using the installed library: it logs one line and finds it in
// the process-wide log record queue. Exit code 0 when all is as expected.
#include <yrapi/yrapi.h>

#include <cstdio>
#include <cstring>

int main() {
    TCQueue<YRAPI::yr_log_str>& queue = YRAPI::GetLogQueue();
    queue.Clear();
    YRAPI::CYRLogInterface::Log(1, "consumer %s %d", "line", 42);
    if (queue.count != 1) {
        std::printf("consumer: the queue holds %u lines, expected 1\n", queue.count.load());
        return 1;
    }
    YRAPI::yr_log_str rec;
    if (!queue.Pop(&rec, YRAPI::INFINITE) || std::strncmp(rec.text, "X [", 3) != 0 ||
        std::strcmp(rec.text + 22, "] consumer line 42\n") != 0) {
        std::printf("consumer: unexpected line '%s'\n", rec.text);
        return 1;
    }
    std::printf("consumer: logged and queued %s", rec.text);
    return 0;
}
