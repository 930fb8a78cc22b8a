#pragma once
// Checks for fuzz targets. A failed check must stop the process so that libFuzzer records the
// input as a crash; the corpus replay test names the input file that failed.

#include <cstdio>
#include <cstdlib>
#include <string>

namespace velmora::fuzz {

// The input being fed, as the replay test names it; empty under libFuzzer, which prints its own.
inline std::string& CurrentInputName() {
    static std::string name;
    return name;
}

[[noreturn]] inline void FailCheck(const char* condition, const char* file, int line) {
    std::fprintf(stderr, "%s:%d: check failed: %s\n", file, line, condition);
    if (!CurrentInputName().empty()) {
        std::fprintf(stderr, "input: %s\n", CurrentInputName().c_str());
    }
    std::abort();
}

}  // namespace velmora::fuzz

#define FUZZ_CHECK(condition)           \
    ((condition) ? static_cast<void>(0) \
                 : ::velmora::fuzz::FailCheck(#condition, __FILE__, __LINE__))
