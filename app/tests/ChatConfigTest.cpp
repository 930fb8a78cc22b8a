#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>

#include "app/ChatConfig.h"

namespace velmora {
namespace {

class ChatConfigTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = std::filesystem::temp_directory_path() /
               ("velmora-config-" + std::to_string(::getpid()) + "-" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(dir_ / "velmora");
        env_["XDG_CONFIG_HOME"] = dir_.string();
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }

    void WriteFile(const std::string& text) {
        std::ofstream(dir_ / "velmora" / "velmora.conf") << text;
    }

    ChatConfig Load() {
        return LoadChatConfig([this](const char* name) -> std::optional<std::string> {
            auto it = env_.find(name);
            if (it == env_.end()) return std::nullopt;
            return it->second;
        });
    }

    std::filesystem::path dir_;
    std::map<std::string, std::string> env_;
};

TEST_F(ChatConfigTest, NothingConfigured) {
    ChatConfig config = Load();
    EXPECT_FALSE(config.IsComplete());
    EXPECT_EQ(config.model, "gpt-3.5-turbo");
    EXPECT_EQ(config.configFile, (dir_ / "velmora" / "velmora.conf").string());
}

TEST_F(ChatConfigTest, FileValues) {
    WriteFile(
        "# comment\n url = https://example.test/v1/chat/completions \nkey=sk-file\n"
        "model = m-file\nunknown = x\nnot a pair\n");
    ChatConfig config = Load();
    EXPECT_TRUE(config.IsComplete());
    EXPECT_EQ(config.url, "https://example.test/v1/chat/completions");
    EXPECT_EQ(config.key, "sk-file");
    EXPECT_EQ(config.model, "m-file");
}

TEST_F(ChatConfigTest, EnvironmentWinsOverFile) {
    WriteFile("url = https://file.test/x\nkey = sk-file\nmodel = m-file\n");
    env_["VELMORA_API_URL"] = "https://env.test/api/v1/chat/completions";
    env_["VELMORA_API_KEY"] = "sk-env";
    env_["VELMORA_MODEL"] = "m-env";
    ChatConfig config = Load();
    EXPECT_EQ(config.url, "https://env.test/api/v1/chat/completions");
    EXPECT_EQ(config.key, "sk-env");
    EXPECT_EQ(config.model, "m-env");
}

TEST_F(ChatConfigTest, OpenAiVariablesAsFallback) {
    env_["OPENAI_BASE_URL"] = "http://127.0.0.1:8080/v1/";
    env_["OPENAI_API_KEY"] = "sk-openai";
    ChatConfig config = Load();
    EXPECT_EQ(config.url, "http://127.0.0.1:8080/v1/chat/completions");
    EXPECT_EQ(config.key, "sk-openai");

    env_["VELMORA_API_KEY"] = "sk-velmora";
    env_["VELMORA_API_URL"] = "https://direct.test/chat/completions";
    config = Load();
    EXPECT_EQ(config.key, "sk-velmora");
    EXPECT_EQ(config.url, "https://direct.test/chat/completions");
}

TEST_F(ChatConfigTest, EmptyEnvironmentValueDoesNotHideTheFile) {
    WriteFile("key = sk-file\n");
    env_["VELMORA_API_KEY"] = "";
    EXPECT_EQ(Load().key, "sk-file");
}

TEST_F(ChatConfigTest, HomeDefault) {
    env_.erase("XDG_CONFIG_HOME");
    env_["HOME"] = "/home/someone";
    EXPECT_EQ(Load().configFile, "/home/someone/.config/velmora/velmora.conf");
}

}  // namespace
}  // namespace velmora
