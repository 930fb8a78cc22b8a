#pragma once
// Where the chat service is and how to sign in: read once at start-up from the environment and
// from the user's configuration file. No token is built in.
//
// Sources, the first one that gives a value winning:
//   url:   VELMORA_API_URL; OPENAI_BASE_URL + "/chat/completions"; the file's `url`
//   key:   VELMORA_API_KEY; OPENAI_API_KEY; the file's `key`
//   model: VELMORA_MODEL; the file's `model`; "gpt-3.5-turbo"
// The file is $XDG_CONFIG_HOME/velmora/velmora.conf (default ~/.config/velmora/velmora.conf),
// lines of `name = value`, '#' starting a comment line.

#include <chrono>
#include <functional>
#include <optional>
#include <string>

#include "encoding/TextBuffer.h"
#include "http/HttpClient.h"

namespace velmora {

struct ChatConfig {
    TextBuffer url;         // the full chat-completions URL
    TextBuffer key;         // the bearer token; never shown anywhere
    TextBuffer model;       // the request's `model` member
    TextBuffer configFile;  // the file that was (or would have been) read, for the user's notice
    // Not read from anywhere: tests shorten them to see a stalled service fail quickly.
    std::chrono::milliseconds connectTimeLimit = kConnectTimeLimit;
    std::chrono::milliseconds idleTimeLimit = kIdleTimeLimit;

    bool IsComplete() const { return !url.empty() && !key.empty(); }
};

// Looks up one environment variable; std::nullopt when unset.
using EnvironmentLookup = std::function<std::optional<std::string>(const char* name)>;

// The process environment.
std::optional<std::string> ProcessEnvironment(const char* name);

ChatConfig LoadChatConfig(const EnvironmentLookup& environment = ProcessEnvironment);

}  // namespace velmora
