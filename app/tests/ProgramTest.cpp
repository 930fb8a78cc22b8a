// The velmora binary as a terminal user starts it.

#include <gtest/gtest.h>

#include "ProgramRunner.h"

namespace velmora {
namespace {

using testing::RunProgram;

TEST(Program, VersionAndHelp) {
    const auto version = RunProgram({VELMORA_BINARY, "--version"});
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out, "velmora " VELMORA_VERSION "\n");
    const auto help = RunProgram({VELMORA_BINARY, "--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("--terminal"), std::string::npos);
    const auto bad = RunProgram({VELMORA_BINARY, "--terminal", "--nonsense"});
    EXPECT_EQ(bad.status, 2);
    EXPECT_NE(bad.err.find("--nonsense"), std::string::npos);
}

TEST(Program, WithoutADisplaySaysSoInOneLine) {
    const auto run =
        RunProgram({VELMORA_BINARY}, {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"});
    EXPECT_EQ(run.status, 2);
    EXPECT_NE(run.err.find("--terminal"), std::string::npos) << run.err;
    EXPECT_EQ(run.err.find('\n'), run.err.size() - 1) << run.err;
    EXPECT_EQ(run.out, "");
}

}  // namespace
}  // namespace velmora
