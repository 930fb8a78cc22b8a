#pragma once
// What the benchmark programs share: a window that does nothing, and the reply the stand-in
// service streams (OpenAI-style chunk events of about 200 bytes, 4 characters of text each).

#include <string>
#include <string_view>

#include "app/WindowOperations.h"
#include "tools/StandInService.h"

namespace velmora::bench {

// Every operation returns at once, so a benchmark sees the caller's cost alone.
class NullWindow final : public WindowOperations {
public:
    void SetControlText(Control, std::string_view) override {}
    TextBuffer ReadControlText(Control) override { return {}; }
    void AppendEditText(Control, std::string_view) override {}
    void SetControlDisabled(Control, bool) override {}
};

// The body of count content events, without the end event.
inline std::string StreamBody(int count) {
    static constexpr std::string_view kText = "Velmora streams this reply. ";
    std::string body;
    for (int i = 0; i < count; ++i) {
        std::string text;
        for (int c = 0; c < 4; ++c)
            text += kText[(static_cast<std::size_t>(i) * 4 + c) % kText.size()];
        body += standin::ContentEvent(text);
    }
    return body;
}

}  // namespace velmora::bench
