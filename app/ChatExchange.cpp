#include "app/ChatExchange.h"

#include "app/ReplyStream.h"
#include "encoding/ByteBuffer.h"
#include "encoding/CodePage.h"
#include "encoding/Utf8Text.h"
#include "http/HttpClient.h"
#include "json/JsonDocument.h"

namespace velmora {

const std::string_view kChatRequestTemplate =
    "{\r\n    \"stream\": true,\r\n    \"temperature\": 0.7,\r\n    \"messages\": [ {\r\n"
    "        \"role\": \"user\",\r\n        \"content\": \"<text>\"\r\n    }],\r\n"
    "    \"max_tokens\": 800,\r\n    \"top_p\": 1,\r\n    \"frequency_penalty\": 0,\r\n"
    "    \"model\": \"gpt-3.5-turbo\",\r\n    \"presence_penalty\": 0\r\n}";

namespace {

const TextBuffer kEchoPrefix = Utf8ToText("我说：");
const TextBuffer kReplyPrefix = Utf8ToText("AI说：");

TextBuffer NotConfiguredNotice(const ChatConfig& config) {
    return Utf8ToText(
               "（未配置聊天服务：请设置环境变量 VELMORA_API_URL 和 VELMORA_API_KEY，"
               "或在 ") +
           config.configFile + Utf8ToText(" 中写入 url = … 和 key = …）\r\n\r\n");
}

}  // namespace

bool SendChatMessage(WindowOperations& window, const ChatConfig& config) {
    window.SetControlDisabled(Control::SendButton, true);
    if (!config.IsComplete()) {
        window.AppendEditText(Control::TranscriptBox, NotConfiguredNotice(config));
        window.SetControlDisabled(Control::SendButton, false);
        return false;
    }

    HttpClient client;
    client.SetTimeLimits(config.connectTimeLimit, config.idleTimeLimit);
    JsonDocument request;

    // The input is read once, so the echo and the request cannot differ.
    TextBuffer text = window.ReadControlText(Control::InputBox);
    window.AppendEditText(Control::TranscriptBox, ConcatText(kEchoPrefix, text, "\r\n\r\n"));
    window.AppendEditText(Control::TranscriptBox, kReplyPrefix);

    ReplyStream reply(
        window, [&client] { return client.StatusCode(); }, config.key);
    client.SetBodyHandler([&reply](std::uintptr_t sender, std::uintptr_t connectionId,
                                   std::uintptr_t data, std::uintptr_t length) {
        reply.OnReplyChunk(sender, connectionId, data, length);
    });

    request.Parse(kChatRequestTemplate);
    request.SetValue("messages[0].content", text);
    request.SetValue("model", config.model);
    window.SetControlText(Control::InputBox, "");

    ByteBuffer body = TextToBytes(AnsiToUtf8(request.ToText()));
    TextBuffer header =
        ConcatText("Authorization: Bearer ", config.key, "\r\nContent-Type: application/json");
    HttpResult result = client.Request(config.url, "POST", header, body);
    client.SetBodyHandler(nullptr);
    return reply.Finish(result);
}

}  // namespace velmora
