#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "http/PumpingDelay.h"

namespace velmora {
namespace {

TEST(PumpingDelay, PumpsOnlyOnTheRegisteredThread) {
    std::atomic<int> pumped{0};
    SetEventPump(std::this_thread::get_id(), [&] { ++pumped; });

    std::thread other([] { EXPECT_TRUE(PumpingDelay(20)); });
    other.join();
    EXPECT_EQ(pumped, 0);

    EXPECT_TRUE(PumpingDelay(20));
    EXPECT_GT(pumped, 0);

    SetEventPump(std::this_thread::get_id(), {});
    const int before = pumped;
    PumpingDelay(20);
    EXPECT_EQ(pumped, before);
}

}  // namespace
}  // namespace velmora
