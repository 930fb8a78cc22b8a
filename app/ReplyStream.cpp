#include "app/ReplyStream.h"

#include "encoding/Utf8Text.h"
#include "json/JsonDocument.h"

namespace velmora {
namespace {

constexpr std::size_t kMaxErrorBody = 64 * 1024;
constexpr std::size_t kMaxNoticeDetail = 300;
constexpr std::string_view kContentPath = "choices[0].delta.content";

// The window's own texts, in the program's code page.
const TextBuffer kRequestFailed = Utf8ToText("请求失败");
const TextBuffer kServiceError = Utf8ToText("服务返回错误");
const TextBuffer kIncomplete = Utf8ToText("回复不完整");
const TextBuffer kNoEndEvent = Utf8ToText("连接在结束标记之前关闭");
const TextBuffer kOpenParen = Utf8ToText("（");
const TextBuffer kColon = Utf8ToText("：");
const TextBuffer kCloseParen = Utf8ToText("）");
const TextBuffer kEllipsis = Utf8ToText("…");

bool IsSuccess(int status) {
    return status == 0 || (status >= 200 && status < 300);
}

std::string_view Trim(std::string_view s) {
    const char* blank = " \t\r\n";
    std::size_t first = s.find_first_not_of(blank);
    if (first == std::string_view::npos) return {};
    return s.substr(first, s.find_last_not_of(blank) - first + 1);
}

// One line, no longer than kMaxNoticeDetail, cut between characters, the secret masked.
TextBuffer NoticeDetail(std::string_view detail, std::string_view secret) {
    TextBuffer text =
        ReplaceText(ReplaceText(ReplaceText(detail, "\r\n", " "), "\n", " "), "\r", " ");
    if (!secret.empty()) text = ReplaceText(text, secret, "***");
    std::string_view trimmed = Trim(text);
    std::size_t end = 0;
    while (end < trimmed.size()) {
        std::size_t width = detail::CharWidth(trimmed, end);
        if (end + width > kMaxNoticeDetail) return ConcatText(trimmed.substr(0, end), kEllipsis);
        end += width;
    }
    return TextBuffer(trimmed);
}

// What an error body says: the service's error.message when it is JSON, else its first line.
TextBuffer ErrorBodyMessage(std::string_view utf8Body) {
    TextBuffer body = Utf8ToText(utf8Body);
    JsonDocument document;
    if (document.LoadStrictJson(body)) {
        for (std::string_view path : {"error.message", "message", "error"}) {
            if (document.GetType(path) == JsonType::String) return document.GetText(path);
        }
    }
    std::string_view text = Trim(body);
    return TextBuffer(text.substr(0, text.find_first_of("\r\n")));
}

}  // namespace

ReplyStream::ReplyStream(WindowOperations& window, std::function<int()> statusCode,
                         TextBuffer secret)
    : window_(window),
      statusCode_(std::move(statusCode)),
      secret_(std::move(secret)),
      parser_([this](std::string_view data) { OnEvent(data); }) {}

ReplyStream::~ReplyStream() = default;

void ReplyStream::OnReplyChunk(std::uintptr_t, std::uintptr_t, std::uintptr_t data,
                               std::uintptr_t length) {
    if (sawEndEvent_ || length == 0) return;
    std::string_view bytes(reinterpret_cast<const char*>(data), length);
    if (!IsSuccess(statusCode_())) {
        errorBody_ += bytes.substr(0, kMaxErrorBody - std::min(kMaxErrorBody, errorBody_.size()));
        return;
    }
    parser_.Feed(decoder_.Feed(bytes));
}

bool ReplyStream::Finish(const HttpResult& result) {
    // Once the end event has arrived the reply is whole; how the connection ends after it
    // changes nothing.
    if (!sawEndEvent_) {
        if (!result.completed) {
            ShowNotice(kRequestFailed, result.reason);
        } else if (!IsSuccess(result.status)) {
            TextBuffer message = ErrorBodyMessage(errorBody_);
            ShowNotice(kRequestFailed, ConcatText("HTTP ", IntToText(result.status),
                                                  message.empty() ? "" : " ", message));
        } else {
            parser_.Feed(decoder_.Finish());
            parser_.Finish();
            if (!sawEndEvent_ && !sawError_) ShowNotice(kIncomplete, kNoEndEvent);
        }
    }
    EndReply();
    return sawEndEvent_ && !sawError_;
}

void ReplyStream::OnEvent(std::string_view data) {
    if (sawEndEvent_) return;
    if (Trim(data) == "[DONE]") {
        sawEndEvent_ = true;
        EndReply();
        return;
    }
    // Nothing from the network is run as script: events load as strict JSON only.
    if (!event_) event_ = std::make_unique<JsonDocument>();
    if (!event_->LoadStrictJson(data)) return;
    if (event_->GetType("error") == JsonType::Object) {
        sawError_ = true;
        TextBuffer message = event_->GetText("error.message");
        ShowNotice(kServiceError, message.empty() ? event_->GetText("error", true) : message);
        return;
    }
    if (event_->GetType(kContentPath) != JsonType::String) return;
    ShowDelta(event_->GetText(kContentPath));
}

void ReplyStream::ShowDelta(std::string_view text) {
    // Every line break of the reply, LF, CR LF or CR, becomes the transcript's "\r\n"; a CR LF
    // pair may be split between two deltas.
    if (pendingCarriageReturn_ && !text.empty() && text.front() == '\n') text.remove_prefix(1);
    pendingCarriageReturn_ = false;
    if (text.empty()) return;
    TextBuffer shown;
    if (text.find_first_of("\r\n") == std::string_view::npos) {
        shown = TextBuffer(text);
    } else {
        shown.reserve(text.size() + 16);
        for (std::size_t i = 0; i < text.size(); ++i) {
            if (text[i] == '\r') {
                shown += "\r\n";
                if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
                if (i + 1 == text.size() && text[i] == '\r') pendingCarriageReturn_ = true;
            } else if (text[i] == '\n') {
                shown += "\r\n";
            } else {
                shown += text[i];
            }
        }
    }
    shownText_ = true;
    window_.AppendEditText(Control::TranscriptBox, shown);
}

void ReplyStream::ShowNotice(std::string_view what, std::string_view detail) {
    TextBuffer line = ConcatText(shownText_ ? "\r\n" : "", kOpenParen, what, kColon,
                                 NoticeDetail(detail, secret_), kCloseParen);
    shownText_ = true;
    window_.AppendEditText(Control::TranscriptBox, line);
}

void ReplyStream::EndReply() {
    if (ended_) return;
    ended_ = true;
    // The blank line goes in before Send is usable again, so that the next exchange's echo
    // cannot land in front of it.
    window_.AppendEditText(Control::TranscriptBox, "\r\n\r\n");
    window_.SetControlDisabled(Control::SendButton, false);
}

}  // namespace velmora
