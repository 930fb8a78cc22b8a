#pragma once
// The UI thread's event pump, for code that waits on that thread and must keep the window alive
// meanwhile (the HTTP client's pumping delay).

#include <thread>

namespace velmora {

// On the thread that runs the chat window: processes the window events pending now and returns.
// On any other thread, or with no chat window, it does nothing.
void ProcessPendingWindowEvents();

namespace detail {
// ChatWindow registers its thread on creation and clears it (an empty id) when it goes.
void SetWindowEventThread(std::thread::id thread);
}  // namespace detail

}  // namespace velmora
