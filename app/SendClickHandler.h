#pragma once
// What a click on SendButton does, whichever front-end delivered the click.

#include <functional>
#include <memory>

#include "app/WindowOperations.h"
#include "app/WorkerThreads.h"

namespace velmora {

class SendClickHandler {
public:
    // Starts body on a new thread; false when no thread could be started.
    using ThreadStarter = std::function<bool(std::function<void()> body)>;

    // The window is shared with every worker, so it outlives the workers that still use it.
    SendClickHandler(std::shared_ptr<WindowOperations> window, ExchangeRoutine routine,
                     ThreadStarter startThread = StartWorkerThread);

    // Called on the UI thread once per click. Disables SendButton at once, so that a second click
    // cannot start a second exchange before the worker gets going, then starts a worker running
    // the routine and returns without waiting for it. When no thread can be started, SendButton
    // is enabled again and the result is false.
    bool OnClick();

private:
    std::shared_ptr<WindowOperations> window_;
    ExchangeRoutine routine_;
    ThreadStarter startThread_;
};

}  // namespace velmora
