#include "app/TerminalFrontEnd.h"

#include <condition_variable>
#include <istream>
#include <iterator>
#include <memory>
#include <mutex>
#include <ostream>
#include <utility>

#include "app/LineBreaks.h"
#include "app/SendClickHandler.h"
#include "app/StartUp.h"
#include "app/TerminalWindow.h"
#include "encoding/Utf8Text.h"

namespace velmora {
namespace {

// What the reading thread waits for: SendButton's state and the end of exchanges. Shared with
// the workers, which may still hold it after RunTerminalFrontEnd has returned.
struct Session {
    std::mutex mutex;
    std::condition_variable changed;
    int running = 0;
    bool allCompleted = true;

    void Notify() {
        { std::lock_guard lock(mutex); }
        changed.notify_all();
    }
};

std::string ReadAll(std::istream& in) {
    std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    if (text.ends_with("\r\n")) {
        text.resize(text.size() - 2);
    } else if (text.ends_with('\n')) {
        text.pop_back();
    }
    return text;
}

// The next message in UTF-8, or nothing at the end of the input.
std::optional<std::string> NextMessage(std::istream& in, const std::optional<std::string>& message,
                                       bool& messageTaken) {
    if (message) {
        if (std::exchange(messageTaken, true)) return std::nullopt;
        return *message == "-" ? ReadAll(in) : *message;
    }
    std::string line;
    if (!std::getline(in, line)) return std::nullopt;
    if (line.ends_with('\r')) line.pop_back();
    return line;
}

}  // namespace

int RunTerminalFrontEnd(const ExchangeRoutine& routine, std::istream& in, std::ostream& out,
                        std::ostream& err, const std::optional<std::string>& message) {
    auto session = std::make_shared<Session>();
    auto window = std::make_shared<TerminalWindow>(out, [session] { session->Notify(); });
    ExchangeRoutine tracked = [session, routine](WindowOperations& w) {
        const bool completed = routine(w);
        {
            std::lock_guard lock(session->mutex);
            --session->running;
            session->allCompleted = session->allCompleted && completed;
        }
        session->changed.notify_all();
        return completed;
    };
    SendClickHandler clickHandler(window, tracked);
    OnChatWindowCreated(*window);

    bool allSent = true;
    bool messageTaken = false;
    while (const std::optional<std::string> text = NextMessage(in, message, messageTaken)) {
        std::unique_lock lock(session->mutex);
        session->changed.wait(lock, [&] {
            return !window->IsDisabled(Control::SendButton) || session->running == 0;
        });
        if (window->IsDisabled(Control::SendButton)) {
            err << "velmora: Send stayed disabled after the last exchange; the rest of the input "
                   "is not sent\n";
            allSent = false;
            break;
        }
        ++session->running;
        lock.unlock();
        window->SetControlText(Control::InputBox, ToCrLfBreaks(Utf8ToText(*text)));
        if (!clickHandler.OnClick()) {
            lock.lock();
            --session->running;
            err << "velmora: cannot start a thread for the exchange\n";
            allSent = false;
            break;
        }
    }

    std::unique_lock lock(session->mutex);
    session->changed.wait(lock, [&] { return session->running == 0; });
    return allSent && session->allCompleted ? 0 : 1;
}

}  // namespace velmora
