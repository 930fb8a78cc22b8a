#include "app/PlaceholderExchange.h"

#include "encoding/Utf8Text.h"

namespace velmora {

bool PlaceholderExchange(WindowOperations& window) {
    window.SetControlDisabled(Control::SendButton, true);
    const TextBuffer input = window.ReadControlText(Control::InputBox);
    window.SetControlText(Control::InputBox, "");
    window.AppendEditText(Control::TranscriptBox,
                          ConcatText(Utf8ToText("我说："), input, "\r\n\r\n"));
    window.AppendEditText(
        Control::TranscriptBox,
        Utf8ToText("（未连接聊天服务：消息没有发出。No chat service is connected yet; the "
                   "message was not sent.）\r\n\r\n"));
    window.SetControlDisabled(Control::SendButton, false);
    return false;
}

}  // namespace velmora
