#include "app/ReplyStreamParser.h"

namespace velmora {

void ReplyStreamParser::Feed(std::string_view text) {
    if (skipLineFeed_ && !text.empty()) {
        if (text.front() == '\n') text.remove_prefix(1);
        skipLineFeed_ = false;
    }
    // CR and LF are never part of a multi-byte character in the program's code page, so a plain
    // byte scan finds every line end.
    while (!text.empty()) {
        std::size_t end = text.find_first_of("\r\n");
        if (end == std::string_view::npos) {
            partialLine_ += text;
            return;
        }
        if (partialLine_.empty()) {
            TakeLine(text.substr(0, end));
        } else {
            partialLine_ += text.substr(0, end);
            TextBuffer line = std::move(partialLine_);
            partialLine_.clear();
            TakeLine(line);
        }
        bool crlf = text[end] == '\r';
        text.remove_prefix(end + 1);
        if (crlf) {
            if (text.empty()) {
                skipLineFeed_ = true;
            } else if (text.front() == '\n') {
                text.remove_prefix(1);
            }
        }
    }
}

void ReplyStreamParser::Finish() {
    if (!partialLine_.empty()) {
        TextBuffer line = std::move(partialLine_);
        partialLine_.clear();
        TakeLine(line);
    }
    DispatchEvent();
    skipLineFeed_ = false;
}

void ReplyStreamParser::TakeLine(std::string_view line) {
    if (line.empty()) {
        DispatchEvent();
        return;
    }
    if (line.front() == ':') return;  // comment
    std::size_t colon = line.find(':');
    std::string_view field = line.substr(0, colon);
    if (field != "data") return;  // event, id, retry and unknown fields carry nothing we show
    std::string_view value = colon == std::string_view::npos ? "" : line.substr(colon + 1);
    if (!value.empty() && value.front() == ' ') value.remove_prefix(1);
    if (hasData_) data_ += '\n';
    data_ += value;
    hasData_ = true;
}

void ReplyStreamParser::DispatchEvent() {
    if (!hasData_) return;
    TextBuffer data = std::move(data_);
    data_.clear();
    hasData_ = false;
    onEvent_(data);
}

}  // namespace velmora
