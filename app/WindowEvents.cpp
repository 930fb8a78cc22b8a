#include "app/WindowEvents.h"

#include <QCoreApplication>
#include <atomic>

namespace velmora {
namespace {
// Compared from any thread; Qt's own thread queries would attach Qt data to worker threads.
std::atomic<std::thread::id> windowEventThread{};
}  // namespace

void ProcessPendingWindowEvents() {
    if (std::this_thread::get_id() != windowEventThread.load()) return;
    QCoreApplication::processEvents();
}

namespace detail {
void SetWindowEventThread(std::thread::id thread) {
    windowEventThread.store(thread);
}
}  // namespace detail

}  // namespace velmora
