#pragma once
// The detached worker threads that run one exchange each, and a safe way to end the process while
// some of them still run (a worker may sit in a network wait for as long as it likes).

#include <functional>

namespace velmora {

// Runs body on a new detached thread with the default stack size. Returns false when the system
// refuses a thread; body has not run then.
bool StartWorkerThread(std::function<void()> body);

// Threads started by StartWorkerThread whose body has not returned yet.
int RunningWorkerCount();

// When workers still run, flushes the C and C++ output streams and ends the process at once with
// status, so that no worker meets static objects being destroyed. Returns when none runs.
void ExitNowIfWorkersRun(int status);

}  // namespace velmora
