// demo.cpp - a small console program that shows the library at work: it logs a few lines,
// takes a lock, runs a worker thread for a moment and prints what the log queue holds.
#include <yrapi/yrapi.h>

#include <cstdio>

namespace {

class CCountingThread : public YRAPI::CBaseThread {
  public:
    CCountingThread() = default;
    ~CCountingThread() override { StopForDestruction(1000); }
    int nSteps = 0;

  private:
    bool Step() override {
        ++nSteps;
        YRAPI::CYRLogInterface::Log(4, "demo worker step %d", nSteps);
        Idle(100);
        return nSteps < 5;
    }
};

}  // namespace

int main() {
    using YRAPI::CYRLogInterface;
    CYRLogInterface::Log(4, "demo started, tick %u", YRAPI::platform::GetTickCount());
    YRAPI::CMutex mutex;
    {
        YRAPI::CMutexLock lock(mutex);
        CYRLogInterface::Log(2, "holding a recursive lock");
    }
    CCountingThread worker;
    worker.Start(true);
    worker.WaitUntillStop(5000);
    CYRLogInterface::Log(1, "worker ended after %d steps", worker.nSteps);

    YRAPI::yr_log_str record;
    while (YRAPI::GetLogQueue().Pop(&record, YRAPI::INFINITE)) std::fputs(record.text, stdout);
    return 0;
}
