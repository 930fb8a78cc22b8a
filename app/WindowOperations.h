#pragma once
// The window as the conversation logic sees it: three controls and four operations. The logic
// holds only this interface, so the same routines drive the Qt window and the terminal.

#include <functional>
#include <string_view>

#include "encoding/TextBuffer.h"

namespace velmora {

enum class Control { TranscriptBox, InputBox, SendButton };

// Every operation may be called from any thread and is synchronous: when it returns, the change
// has been made as far as every later operation can tell, so the texts one thread appends appear
// in the order of its calls. (The window may draw a worker's appends at the UI thread's next turn
// rather than before the call returns: every other operation puts them in first.) Texts are
// GB18030 with "\r\n" line breaks. Once the window is gone, operations return without effect
// (ReadControlText gives the empty text).
class WindowOperations {
public:
    virtual ~WindowOperations() = default;
    // Replaces the control's whole text.
    virtual void SetControlText(Control control, std::string_view text) = 0;
    // A copy of the control's whole text.
    virtual TextBuffer ReadControlText(Control control) = 0;
    // Puts the caret at the end of an edit control, scrolls it into view and inserts text there.
    // The insertion cannot be undone by the user; an empty text only moves the caret and scrolls.
    virtual void AppendEditText(Control control, std::string_view text) = 0;
    // true: greyed and deaf to mouse and keyboard; false: usable again.
    virtual void SetControlDisabled(Control control, bool disabled) = 0;
};

// The routine one Send runs, on a worker thread of its own. It returns true when the exchange
// completed. It disables SendButton while it works and enables it again when the exchange ends.
using ExchangeRoutine = std::function<bool(WindowOperations& window)>;

namespace detail {
// Of three per-control values, the one that belongs to control.
template <typename T>
T PickForControl(Control control, T transcriptBox, T inputBox, T sendButton) {
    switch (control) {
        case Control::TranscriptBox:
            return transcriptBox;
        case Control::InputBox:
            return inputBox;
        case Control::SendButton:
            break;
    }
    return sendButton;
}
}  // namespace detail

}  // namespace velmora
