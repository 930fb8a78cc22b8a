#include "app/SendClickHandler.h"

#include <utility>

namespace velmora {

SendClickHandler::SendClickHandler(std::shared_ptr<WindowOperations> window,
                                   ExchangeRoutine routine, ThreadStarter startThread)
    : window_(std::move(window)),
      routine_(std::move(routine)),
      startThread_(std::move(startThread)) {}

bool SendClickHandler::OnClick() {
    window_->SetControlDisabled(Control::SendButton, true);
    const bool started = startThread_([window = window_, routine = routine_] { routine(*window); });
    if (!started) window_->SetControlDisabled(Control::SendButton, false);
    return started;
}

}  // namespace velmora
