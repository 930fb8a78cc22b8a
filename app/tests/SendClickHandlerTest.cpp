#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <thread>

#include "RecordingWindow.h"
#include "app/SendClickHandler.h"
#include "app/StartUp.h"
#include "app/WorkerThreads.h"
#include "encoding/Utf8Text.h"

namespace velmora {
namespace {

using testing::RecordingWindow;
using Strings = std::vector<std::string>;

// Runs the body at once on the clicking thread, so the log shows the order of events.
bool RunInline(std::function<void()> body) {
    body();
    return true;
}

TEST(SendClickHandler, DisablesSendBeforeTheRoutineRunsOnce) {
    auto window = std::make_shared<RecordingWindow>();
    int runs = 0;
    SendClickHandler handler(
        window,
        [&](WindowOperations& w) {
            ++runs;
            EXPECT_EQ(&w, window.get());
            window->AddToLog("routine");
            return true;
        },
        RunInline);
    EXPECT_TRUE(handler.OnClick());
    EXPECT_EQ(runs, 1);
    EXPECT_EQ(window->Log(), (Strings{"disable send", "routine"}));
    EXPECT_TRUE(window->SendDisabled()) << "only the routine enables Send again";
}

TEST(SendClickHandler, EnablesSendAgainWhenNoThreadStarts) {
    auto window = std::make_shared<RecordingWindow>();
    bool ran = false;
    SendClickHandler handler(
        window, [&](WindowOperations&) { return ran = true; },
        [](std::function<void()>) { return false; });
    EXPECT_FALSE(handler.OnClick());
    EXPECT_FALSE(ran);
    EXPECT_EQ(window->Log(), (Strings{"disable send", "enable send"}));
    EXPECT_FALSE(window->SendDisabled());
}

TEST(SendClickHandler, RunsTheRoutineOnAWorkerThreadThatKeepsTheWindowAlive) {
    std::promise<std::thread::id> routineThread;
    std::weak_ptr<RecordingWindow> watched;
    {
        auto window = std::make_shared<RecordingWindow>();
        watched = window;
        std::promise<void> release;
        std::shared_future<void> released = release.get_future().share();
        SendClickHandler handler(window, [&routineThread, released](WindowOperations&) {
            routineThread.set_value(std::this_thread::get_id());
            released.wait();
            return true;
        });
        ASSERT_TRUE(handler.OnClick());
        auto started = routineThread.get_future();
        ASSERT_EQ(started.wait_for(std::chrono::seconds(10)), std::future_status::ready);
        EXPECT_NE(started.get(), std::this_thread::get_id());
        EXPECT_GE(RunningWorkerCount(), 1);
        window.reset();
        EXPECT_FALSE(watched.expired()) << "the worker still holds the window";
        release.set_value();
    }
    for (int i = 0; i < 1000 && RunningWorkerCount() > 0; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    EXPECT_EQ(RunningWorkerCount(), 0);
}

}  // namespace
}  // namespace velmora
