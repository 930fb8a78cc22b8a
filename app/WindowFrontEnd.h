#pragma once
// The program with its window: the application object, ChatWindow and the event loop.

#include <string>
#include <vector>

#include "app/WindowOperations.h"

namespace velmora {

// Runs on the process's first thread until the window is closed and returns the exit status.
// toolkitArguments (program name first) go to Qt; any Qt does not take is refused. Without a
// usable display it writes one line saying so and pointing to --terminal, and returns
// kExitCannotStart.
int RunWindowFrontEnd(const std::vector<std::string>& toolkitArguments, ExchangeRoutine routine);

}  // namespace velmora
