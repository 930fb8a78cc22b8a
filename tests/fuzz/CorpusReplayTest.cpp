// Feeds every file of a fuzz target's committed corpus to the target, so the inputs that once
// mattered keep being checked in the ordinary build, without clang or libFuzzer.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include "tests/fuzz/FuzzCheck.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace velmora::fuzz {
namespace {

std::vector<std::uint8_t> ReadFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

TEST(FuzzCorpus, EveryInputPassesTheChecks) {
    const std::filesystem::path corpus = VELMORA_FUZZ_CORPUS;
    ASSERT_TRUE(std::filesystem::is_directory(corpus)) << corpus;
    std::vector<std::filesystem::path> files;
    for (const auto& entry : std::filesystem::directory_iterator(corpus)) {
        if (entry.is_regular_file()) files.push_back(entry.path());
    }
    std::sort(files.begin(), files.end());
    EXPECT_FALSE(files.empty()) << "no inputs in " << corpus;

    // The empty input is never a file of the corpus, yet every target must take it.
    LLVMFuzzerTestOneInput(nullptr, 0);
    for (const auto& file : files) {
        CurrentInputName() = file.string();
        const std::vector<std::uint8_t> bytes = ReadFile(file);
        LLVMFuzzerTestOneInput(bytes.data(), bytes.size());
    }
    CurrentInputName().clear();
}

}  // namespace
}  // namespace velmora::fuzz
