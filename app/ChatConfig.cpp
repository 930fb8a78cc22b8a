#include "app/ChatConfig.h"

#include <cstdlib>
#include <fstream>

#include "encoding/Utf8Text.h"

namespace velmora {
namespace {

constexpr const char* kDefaultModel = "gpt-3.5-turbo";

std::string Trim(std::string_view s) {
    const char* blank = " \t\r\n";
    std::size_t first = s.find_first_not_of(blank);
    if (first == std::string_view::npos) return {};
    std::size_t last = s.find_last_not_of(blank);
    return std::string(s.substr(first, last - first + 1));
}

std::optional<std::string> NonEmpty(std::optional<std::string> value) {
    if (value && !Trim(*value).empty()) return Trim(*value);
    return std::nullopt;
}

struct FileValues {
    std::optional<std::string> url, key, model;
};

FileValues ReadConfigFile(const std::string& path) {
    FileValues values;
    std::ifstream file(path);
    std::string line;
    while (std::getline(file, line)) {
        std::string trimmed = Trim(line);
        if (trimmed.empty() || trimmed.front() == '#') continue;
        std::size_t equals = trimmed.find('=');
        if (equals == std::string::npos) continue;
        std::string name = Trim(trimmed.substr(0, equals));
        std::optional<std::string> value = NonEmpty(trimmed.substr(equals + 1));
        if (name == "url") values.url = value;
        if (name == "key") values.key = value;
        if (name == "model") values.model = value;
    }
    return values;
}

std::string ConfigFilePath(const EnvironmentLookup& environment) {
    if (auto xdg = NonEmpty(environment("XDG_CONFIG_HOME"))) return *xdg + "/velmora/velmora.conf";
    std::string home = NonEmpty(environment("HOME")).value_or("~");
    return home + "/.config/velmora/velmora.conf";
}

}  // namespace

std::optional<std::string> ProcessEnvironment(const char* name) {
    const char* value = std::getenv(name);
    if (value == nullptr) return std::nullopt;
    return std::string(value);
}

ChatConfig LoadChatConfig(const EnvironmentLookup& environment) {
    std::string path = ConfigFilePath(environment);
    FileValues file = ReadConfigFile(path);

    std::optional<std::string> url = NonEmpty(environment("VELMORA_API_URL"));
    if (!url) {
        if (auto base = NonEmpty(environment("OPENAI_BASE_URL"))) {
            while (!base->empty() && base->back() == '/') base->pop_back();
            url = *base + "/chat/completions";
        }
    }
    if (!url) url = file.url;

    std::optional<std::string> key = NonEmpty(environment("VELMORA_API_KEY"));
    if (!key) key = NonEmpty(environment("OPENAI_API_KEY"));
    if (!key) key = file.key;

    std::optional<std::string> model = NonEmpty(environment("VELMORA_MODEL"));
    if (!model) model = file.model;

    // The environment and the file are UTF-8; the program's texts are GB18030.
    return ChatConfig{
        .url = Utf8ToText(url.value_or("")),
        .key = Utf8ToText(key.value_or("")),
        .model = Utf8ToText(model.value_or(kDefaultModel)),
        .configFile = Utf8ToText(path),
    };
}

}  // namespace velmora
