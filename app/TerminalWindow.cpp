#include "app/TerminalWindow.h"

#include <utility>

#include "app/LineBreaks.h"
#include "app/StartUp.h"
#include "encoding/Utf8Text.h"

namespace velmora {

TerminalWindow::TerminalWindow(std::ostream& out, std::function<void()> onSendStateChanged)
    : out_(out),
      onSendStateChanged_(std::move(onSendStateChanged)),
      caption_(SendButtonCaption()) {}

void TerminalWindow::SetControlText(Control control, std::string_view text) {
    std::lock_guard lock(mutex_);
    if (control == Control::TranscriptBox) {
        Print(StartsWith(text, transcript_) ? text.substr(transcript_.size()) : text);
    }
    TextOf(control) = TextBuffer(text);
}

TextBuffer TerminalWindow::ReadControlText(Control control) {
    std::lock_guard lock(mutex_);
    return TextOf(control);
}

void TerminalWindow::AppendEditText(Control control, std::string_view text) {
    if (control == Control::SendButton) return;
    std::lock_guard lock(mutex_);
    if (control == Control::TranscriptBox) Print(text);
    TextOf(control) += text;
}

void TerminalWindow::SetControlDisabled(Control control, bool disabled) {
    {
        std::lock_guard lock(mutex_);
        DisabledFlagOf(control) = disabled;
    }
    if (control == Control::SendButton && onSendStateChanged_) onSendStateChanged_();
}

bool TerminalWindow::IsDisabled(Control control) {
    std::lock_guard lock(mutex_);
    return DisabledFlagOf(control);
}

void TerminalWindow::Print(std::string_view text) {
    out_ << TextToUtf8(ToNewlineBreaks(text));
    out_.flush();
}

TextBuffer& TerminalWindow::TextOf(Control control) {
    return *detail::PickForControl(control, &transcript_, &input_, &caption_);
}

bool& TerminalWindow::DisabledFlagOf(Control control) {
    return *detail::PickForControl(control, &transcriptDisabled_, &inputDisabled_, &sendDisabled_);
}

}  // namespace velmora
