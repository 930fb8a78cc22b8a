#pragma once
// A WindowOperations double that keeps the three controls' state in memory and logs every call.

#include <mutex>
#include <string>
#include <vector>

#include "app/WindowOperations.h"
#include "encoding/Utf8Text.h"

namespace velmora::testing {

class RecordingWindow final : public WindowOperations {
public:
    void SetControlText(Control control, std::string_view text) override {
        std::lock_guard lock(mutex_);
        Text(control) = text;
        log_.push_back("set " + Name(control));
    }
    TextBuffer ReadControlText(Control control) override {
        std::lock_guard lock(mutex_);
        return Text(control);
    }
    void AppendEditText(Control control, std::string_view text) override {
        std::lock_guard lock(mutex_);
        Text(control) += text;
        log_.push_back("append " + Name(control));
    }
    void SetControlDisabled(Control control, bool disabled) override {
        std::lock_guard lock(mutex_);
        if (control == Control::SendButton) sendDisabled_ = disabled;
        log_.push_back((disabled ? "disable " : "enable ") + Name(control));
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
    std::vector<std::string> Log() {
        std::lock_guard lock(mutex_);
        return log_;
    }
    void AddToLog(std::string entry) {
        std::lock_guard lock(mutex_);
        log_.push_back(std::move(entry));
    }

private:
    static std::string Name(Control control) {
        switch (control) {
            case Control::TranscriptBox:
                return "transcript";
            case Control::InputBox:
                return "input";
            case Control::SendButton:
                break;
        }
        return "send";
    }
    TextBuffer& Text(Control control) {
        return control == Control::TranscriptBox ? transcript_
               : control == Control::InputBox    ? input_
                                                 : caption_;
    }

    std::mutex mutex_;
    TextBuffer transcript_, input_, caption_;
    bool sendDisabled_ = false;
    std::vector<std::string> log_;
};

}  // namespace velmora::testing
