#pragma once
// The exchange routine of a build that has no chat service wired in yet.

#include "app/WindowOperations.h"

namespace velmora {

// Takes the input as a real exchange would (SendButton disabled, the input echoed after "我说："
// and emptied), then says in one line that no chat service is connected and enables SendButton
// again. Returns false: nothing was sent anywhere.
bool PlaceholderExchange(WindowOperations& window);

}  // namespace velmora
