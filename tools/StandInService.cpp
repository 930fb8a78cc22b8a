#include "tools/StandInService.h"

#include <cstdio>

#include "encoding/Utf8Text.h"
#include "json/JsonDocument.h"

namespace velmora::standin {
namespace {

using testsupport::ChunkedPiece;

constexpr std::size_t kWriteBatch = 16 * 1024;

std::string JsonString(std::string_view utf8) {
    std::string out = "\"";
    for (char c : utf8) {
        auto byte = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (c == '\n') {
            out += "\\n";
        } else if (c == '\r') {
            out += "\\r";
        } else if (c == '\t') {
            out += "\\t";
        } else if (byte < 0x20) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", byte);
            out += escaped;
        } else {
            out += c;
        }
    }
    return out + "\"";
}

// Splits UTF-8 text into pieces of n characters.
std::vector<std::string> Pieces(std::string_view utf8, int n) {
    std::vector<std::string> pieces;
    std::string piece;
    int chars = 0;
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        bool startsCharacter = (static_cast<unsigned char>(utf8[i]) & 0xC0) != 0x80;
        if (startsCharacter && chars == n) {
            pieces.push_back(std::move(piece));
            piece.clear();
            chars = 0;
        }
        if (startsCharacter) ++chars;
        piece += utf8[i];
    }
    if (!piece.empty()) pieces.push_back(std::move(piece));
    return pieces;
}

std::string UserMessage(const std::string& body) {
    JsonDocument request;
    if (!request.LoadStrictJson(Utf8ToText(body))) return {};
    return TextToUtf8(request.GetText("messages[0].content"));
}

void WriteError(testsupport::ResponseWriter& response, int status, std::string_view message) {
    response.Write(testsupport::ResponseWithLength(
        status,
        "{\"error\":{\"message\":" + JsonString(message) + ",\"type\":\"invalid_request_error\"}}",
        "application/json"));
}

}  // namespace

std::string ContentEvent(std::string_view utf8Text) {
    return "data: {\"id\":\"chatcmpl-standin\",\"object\":\"chat.completion.chunk\",\"created\":"
           "1700000000,\"model\":\"gpt-3.5-turbo\",\"choices\":[{\"index\":0,\"delta\":{"
           "\"content\":" +
           JsonString(utf8Text) + "},\"finish_reason\":null}]}\n\n";
}

void ServeChatCompletions(const StandInOptions& options,
                          const testsupport::ReceivedRequest& request,
                          testsupport::ResponseWriter& response) {
    std::string_view path = request.target;
    path = path.substr(0, path.find('?'));
    if (!path.ends_with("/chat/completions")) return WriteError(response, 404, "no such endpoint");
    if (request.method != "POST") return WriteError(response, 405, "use POST");

    response.Write(
        "HTTP/1.1 200 OK\r\nContent-Type: text/event-stream\r\nCache-Control: no-cache\r\n"
        "Transfer-Encoding: chunked\r\n\r\n");
    std::string pending = ChunkedPiece(
        "data: {\"id\":\"chatcmpl-standin\",\"object\":\"chat.completion.chunk\",\"choices\":[{"
        "\"index\":0,\"delta\":{\"role\":\"assistant\",\"content\":\"\"},\"finish_reason\":null}]}"
        "\n\n");
    auto send = [&](std::string piece) {
        pending += ChunkedPiece(piece);
        if (options.pause.count() > 0 || pending.size() >= kWriteBatch) {
            if (!response.Write(pending)) return false;
            pending.clear();
            if (options.pause.count() > 0) response.Pause(options.pause);
        }
        return true;
    };

    if (options.events > 0) {
        static constexpr std::string_view kText = "Velmora streams this reply. ";
        for (int i = 0; i < options.events; ++i) {
            std::string text;
            for (int c = 0; c < options.charsPerEvent; ++c) {
                text +=
                    kText[(static_cast<std::size_t>(i) * options.charsPerEvent + c) % kText.size()];
            }
            if (!send(ContentEvent(text))) return;
        }
    } else {
        for (auto& piece : Pieces(UserMessage(request.body), options.charsPerEvent)) {
            if (!send(ContentEvent(piece))) return;
        }
    }
    pending += ChunkedPiece("data: [DONE]\n\n");
    pending += testsupport::kLastChunk;
    response.Write(pending);
}

}  // namespace velmora::standin
