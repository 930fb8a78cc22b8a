#include "app/StartUp.h"

#include "encoding/Utf8Text.h"

namespace velmora {

TextBuffer GreetingText() {
    return Utf8ToText(
        "AI说：你好，我是AI机器人，您有任何问题都可以问我，我也支持自定义函数调用，"
        "可以使用我来开发各种Agent智能体，让我们来聊一聊吧\r\n\r\n");
}

TextBuffer SendButtonCaption() {
    return Utf8ToText("发送");
}

void OnChatWindowCreated(WindowOperations& window) {
    window.SetControlText(Control::TranscriptBox, GreetingText());
}

}  // namespace velmora
