#pragma once
// Waiting on a thread that may own windows.
//
// A wait on a thread that runs a window must keep the window answering. http/ knows no window
// toolkit: the front-end registers, for its UI thread, a routine that processes that thread's
// pending events, and PumpingDelay calls it while it waits there. On any other thread it sleeps.

#include <cstdint>
#include <functional>
#include <thread>

namespace velmora {

// Waits `duration` units (0 milliseconds, 1 seconds, 2 minutes, 3 hours; any other unit counts as
// milliseconds). On the thread registered with SetEventPump it runs the pump at least every 10 ms
// meanwhile. Returns true.
bool PumpingDelay(std::int64_t duration, int unit = 0);

// Whether the calling thread has a pump registered with SetEventPump.
bool HasEventPump();

// Registers pump for `thread`, replacing any earlier registration; an empty pump removes it.
// The pump runs on that thread, inside PumpingDelay.
void SetEventPump(std::thread::id thread, std::function<void()> pump);

}  // namespace velmora
