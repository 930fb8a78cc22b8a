#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <limits>

#include "http/CallbackTrampoline.h"

namespace velmora {
namespace {

using Pair = std::uintptr_t (*)(std::uintptr_t, std::uintptr_t);
using Nullary = std::uintptr_t (*)();

// A class with a table of routines like HttpClient's, with a hole where a routine is not offered.
struct Probe {
    std::uintptr_t id;
    std::uintptr_t first = 0;
    std::uintptr_t second = 0;

    static std::uintptr_t Record(Probe* self, std::uintptr_t a, std::uintptr_t b) {
        self->first = a;
        self->second = b;
        return self->id * 1000 + a + b;
    }
    static std::uintptr_t Identify(Probe* self) { return self->id; }

    static std::span<const RoutineAddress> RoutineTable() {
        static const std::array<RoutineAddress, 3> table = {AsRoutine(&Record), nullptr,
                                                            AsRoutine(&Identify)};
        return table;
    }
};

template <typename Function>
Function As(const CallbackTrampoline& trampoline) {
    return reinterpret_cast<Function>(trampoline.Address());
}

TEST(CallbackTrampoline, CallsTheRoutineOfItsOwnObject) {
    Probe one{1};
    Probe two{2};
    const CallbackTrampoline forOne = MakeCallbackTrampoline(&one, 1, 2);
    const CallbackTrampoline forTwo = MakeCallbackTrampoline(&two, 1, 2);
    ASSERT_TRUE(forOne);
    ASSERT_TRUE(forTwo);
    EXPECT_NE(forOne.Address(), forTwo.Address());

    EXPECT_EQ(As<Pair>(forOne)(10, 20), 1030u);
    EXPECT_EQ(As<Pair>(forTwo)(3, 4), 2007u);
    EXPECT_EQ(one.first, 10u);
    EXPECT_EQ(one.second, 20u);
    EXPECT_EQ(two.first, 3u);
    EXPECT_EQ(two.second, 4u);
}

TEST(CallbackTrampoline, PassesFullWidthArgumentsUnchanged) {
    Probe probe{0};
    const CallbackTrampoline trampoline = MakeCallbackTrampoline(&probe, 1, 2);
    ASSERT_TRUE(trampoline);
    const std::uintptr_t high = std::numeric_limits<std::uintptr_t>::max();
    const std::uintptr_t address = reinterpret_cast<std::uintptr_t>(&probe);
    As<Pair>(trampoline)(high, address);
    EXPECT_EQ(probe.first, high);
    EXPECT_EQ(probe.second, address);
}

TEST(CallbackTrampoline, WithoutArgumentsTheRoutineGetsOnlyItsObject) {
    Probe probe{42};
    const CallbackTrampoline trampoline = MakeCallbackTrampoline(&probe, 3);
    ASSERT_TRUE(trampoline);
    EXPECT_EQ(As<Nullary>(trampoline)(), 42u);
}

TEST(CallbackTrampoline, RefusesWhatItCannotBind) {
    Probe probe{1};
    struct Case {
        int routineNumber;
        int argumentCount;
    };
    const Case refused[] = {
        {2, 2},                            // the table's entry is empty
        {0, 2},                            // positions count from 1
        {4, 2},                            // beyond the table
        {1, -1},                           // negative argument count
        {1, kMaxTrampolineArguments + 1},  // more than 512 argument bytes
    };
    for (const Case& c : refused) {
        SCOPED_TRACE(testing::Message() << c.routineNumber << "/" << c.argumentCount);
        const CallbackTrampoline trampoline =
            MakeCallbackTrampoline(&probe, c.routineNumber, c.argumentCount);
        EXPECT_FALSE(trampoline);
        EXPECT_EQ(trampoline.Address(), 0u);
    }
    EXPECT_TRUE(MakeCallbackTrampoline(&probe, 1, kMaxTrampolineArguments));
}

}  // namespace
}  // namespace velmora
