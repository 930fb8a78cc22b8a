#pragma once
// A window for conversation tests: records the transcript, holds the input, tracks Send.

#include <mutex>

#include "app/WindowOperations.h"
#include "encoding/Utf8Text.h"

namespace velmora::testing {

class RecordingWindow : public WindowOperations {
public:
    void SetControlText(Control control, std::string_view text) override {
        std::lock_guard lock(mutex_);
        Text(control) = TextBuffer(text);
    }
    TextBuffer ReadControlText(Control control) override {
        std::lock_guard lock(mutex_);
        return Text(control);
    }
    void AppendEditText(Control control, std::string_view text) override {
        std::lock_guard lock(mutex_);
        Text(control) += text;
    }
    void SetControlDisabled(Control control, bool disabled) override {
        std::lock_guard lock(mutex_);
        if (control == Control::SendButton) sendDisabled_ = disabled;
    }

    // The transcript as UTF-8, for readable expectations.
    std::string TranscriptUtf8() {
        std::lock_guard lock(mutex_);
        return TextToUtf8(transcript_);
    }
    bool SendDisabled() {
        std::lock_guard lock(mutex_);
        return sendDisabled_;
    }

private:
    TextBuffer& Text(Control control) {
        if (control == Control::TranscriptBox) return transcript_;
        if (control == Control::InputBox) return input_;
        return sendCaption_;
    }

    std::mutex mutex_;
    TextBuffer transcript_, input_, sendCaption_;
    bool sendDisabled_ = false;
};

}  // namespace velmora::testing
