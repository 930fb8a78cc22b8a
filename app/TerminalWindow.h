#pragma once
// The four window operations over a terminal, for running the conversation without a display.
// TranscriptBox is what has been written to the output stream (UTF-8, "\n" line breaks, flushed
// after every change); InputBox and SendButton live in memory.

#include <functional>
#include <mutex>
#include <ostream>
#include <string_view>

#include "app/WindowOperations.h"

namespace velmora {

class TerminalWindow final : public WindowOperations {
public:
    // onSendStateChanged runs on the thread that enabled or disabled SendButton, after the
    // change and with no lock of this window held. out must outlive every operation.
    explicit TerminalWindow(std::ostream& out, std::function<void()> onSendStateChanged = {});

    // A terminal cannot take printed text back: a new transcript that extends the old one prints
    // the extension, any other prints in full.
    void SetControlText(Control control, std::string_view text) override;
    TextBuffer ReadControlText(Control control) override;
    // Only TranscriptBox and InputBox take appends.
    void AppendEditText(Control control, std::string_view text) override;
    void SetControlDisabled(Control control, bool disabled) override;

    bool IsDisabled(Control control);

private:
    void Print(std::string_view text);  // with mutex_ held
    TextBuffer& TextOf(Control control);
    bool& DisabledFlagOf(Control control);

    std::ostream& out_;
    std::function<void()> onSendStateChanged_;
    std::mutex mutex_;
    TextBuffer transcript_;
    TextBuffer input_;
    TextBuffer caption_;
    bool transcriptDisabled_ = false;
    bool inputDisabled_ = false;
    bool sendDisabled_ = false;
};

}  // namespace velmora
