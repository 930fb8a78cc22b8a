#include "app/WorkerThreads.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <system_error>
#include <thread>

namespace velmora {
namespace {
std::atomic<int> runningWorkers{0};
}  // namespace

bool StartWorkerThread(std::function<void()> body) {
    ++runningWorkers;
    try {
        std::thread([body = std::move(body)] {
            body();
            --runningWorkers;
        }).detach();
        return true;
    } catch (const std::system_error&) {
        --runningWorkers;
        return false;
    }
}

int RunningWorkerCount() {
    return runningWorkers.load();
}

void ExitNowIfWorkersRun(int status) {
    if (RunningWorkerCount() == 0) return;
    std::cout.flush();
    std::cerr.flush();
    std::fflush(nullptr);
    std::_Exit(status);
}

}  // namespace velmora
