#include "http/PumpingDelay.h"

#include <algorithm>
#include <chrono>
#include <mutex>

namespace velmora {

namespace {

struct EventPump {
    std::mutex mutex;
    std::thread::id thread;
    std::function<void()> pump;
};

EventPump& TheEventPump() {
    static EventPump instance;
    return instance;
}

std::function<void()> PumpForThisThread() {
    EventPump& registered = TheEventPump();
    std::lock_guard lock(registered.mutex);
    if (registered.thread != std::this_thread::get_id()) return {};
    return registered.pump;
}

std::chrono::milliseconds UnitLength(int unit) {
    switch (unit) {
        case 1:
            return std::chrono::seconds(1);
        case 2:
            return std::chrono::minutes(1);
        case 3:
            return std::chrono::hours(1);
        default:
            return std::chrono::milliseconds(1);
    }
}

}  // namespace

bool PumpingDelay(std::int64_t duration, int unit) {
    using Clock = std::chrono::steady_clock;
    const auto wait = std::max<std::int64_t>(duration, 0) * UnitLength(unit);
    const std::function<void()> pump = PumpForThisThread();
    if (!pump) {
        std::this_thread::sleep_for(wait);
        return true;
    }
    constexpr auto kPumpPeriod = std::chrono::milliseconds(10);
    const auto deadline = Clock::now() + wait;
    for (;;) {
        pump();
        const auto remaining = deadline - Clock::now();
        if (remaining <= Clock::duration::zero()) return true;
        std::this_thread::sleep_for(std::min<Clock::duration>(remaining, kPumpPeriod));
    }
}

bool HasEventPump() {
    return static_cast<bool>(PumpForThisThread());
}

void SetEventPump(std::thread::id thread, std::function<void()> pump) {
    EventPump& registered = TheEventPump();
    std::lock_guard lock(registered.mutex);
    registered.thread = pump ? thread : std::thread::id();
    registered.pump = std::move(pump);
}

}  // namespace velmora
