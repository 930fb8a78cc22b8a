#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <mutex>
#include <sstream>

#include "app/StartUp.h"
#include "app/TerminalFrontEnd.h"
#include "encoding/Utf8Text.h"

namespace velmora {
namespace {

using Strings = std::vector<std::string>;

struct Outcome {
    int status;
    std::string out, err;
    Strings inputs;  // InputBox at each Send, in UTF-8 with the program's "\r\n" breaks
};

// A conversation routine like the real one in shape: takes the input, appends "<input>" and a
// line break to the transcript, enables Send again and reports `completed`.
class FakeExchange {
public:
    explicit FakeExchange(std::function<bool(const std::string&)> completed =
                              [](const std::string&) { return true; })
        : completed_(std::move(completed)) {}

    bool operator()(WindowOperations& window) {
        window.SetControlDisabled(Control::SendButton, true);
        const std::string input = TextToUtf8(window.ReadControlText(Control::InputBox));
        {
            std::lock_guard lock(mutex_);
            inputs_.push_back(input);
        }
        window.SetControlText(Control::InputBox, "");
        window.AppendEditText(Control::TranscriptBox, Utf8ToText("<" + input + ">\r\n"));
        window.SetControlDisabled(Control::SendButton, false);
        return completed_(input);
    }
    Strings Inputs() {
        std::lock_guard lock(mutex_);
        return inputs_;
    }

private:
    std::function<bool(const std::string&)> completed_;
    std::mutex mutex_;
    Strings inputs_;
};

Outcome RunTerminal(const ExchangeRoutine& routine, const std::string& input,
                    const std::optional<std::string>& message = std::nullopt) {
    std::istringstream in(input);
    std::ostringstream out, err;
    const int status = RunTerminalFrontEnd(routine, in, out, err, message);
    return {status, out.str(), err.str(), {}};
}

Outcome RunFake(
    const std::string& input, const std::optional<std::string>& message = std::nullopt,
    std::function<bool(const std::string&)> completed = [](const std::string&) { return true; }) {
    auto fake = std::make_shared<FakeExchange>(std::move(completed));
    Outcome outcome =
        RunTerminal([fake](WindowOperations& w) { return (*fake)(w); }, input, message);
    outcome.inputs = fake->Inputs();
    return outcome;
}

std::string Greeting() {
    return ReplaceText(TextToUtf8(GreetingText()), "\r\n", "\n");
}

TEST(TerminalFrontEnd, SendsEveryLineAndPrintsTheTranscriptAsUtf8) {
    const Outcome outcome = RunFake("one\r\n你好\n\nlast");
    EXPECT_EQ(outcome.inputs, (Strings{"one", "你好", "", "last"}));
    EXPECT_EQ(outcome.out, Greeting() + "<one>\n<你好>\n<>\n<last>\n");
    EXPECT_EQ(outcome.err, "");
    EXPECT_EQ(outcome.status, 0);
}

TEST(TerminalFrontEnd, ExitStatusSaysWhetherEveryExchangeCompleted) {
    const Outcome outcome = RunFake("a\nfail\nb\n", std::nullopt,
                                    [](const std::string& input) { return input != "fail"; });
    EXPECT_EQ(outcome.inputs, (Strings{"a", "fail", "b"}));
    EXPECT_EQ(outcome.status, 1);
    EXPECT_EQ(RunFake("").status, 0) << "no input, nothing failed";
}

TEST(TerminalFrontEnd, MessageIsOneSendWithItsLineBreaksAsTyped) {
    struct Case {
        std::optional<std::string> message;
        std::string stdinText;
        std::string expectedInput;
    };
    const Case cases[] = {
        {"a\nb\r\nc", "not read\n", "a\r\nb\r\nc"},
        {"", "not read\n", ""},
        {"-", "x\ny\n", "x\r\ny"},
        {"-", "x\r\n\r\n", "x\r\n"},
        {"-", "", ""},
    };
    for (const Case& c : cases) {
        const Outcome outcome = RunFake(c.stdinText, c.message);
        EXPECT_EQ(outcome.inputs, Strings{c.expectedInput}) << *c.message;
        EXPECT_EQ(outcome.status, 0);
    }
}

TEST(TerminalFrontEnd, TakesTheNextLineOnceSendIsEnabledEvenWhileTheExchangeRuns) {
    std::promise<void> secondStarted;
    auto secondSeen = secondStarted.get_future().share();
    int calls = 0;  // touched by one worker at a time: the second starts after the first's enable
    ExchangeRoutine routine = [&](WindowOperations& window) {
        const int call = ++calls;
        window.SetControlDisabled(Control::SendButton, true);
        window.AppendEditText(Control::TranscriptBox, "<" + std::to_string(call) + ">");
        if (call == 2) secondStarted.set_value();
        window.SetControlDisabled(Control::SendButton, false);
        // The first exchange ends only after the second has begun: the reader must not wait for it.
        return call != 1 ||
               secondSeen.wait_for(std::chrono::seconds(10)) == std::future_status::ready;
    };
    const Outcome outcome = RunTerminal(routine, "a\nb\n");
    EXPECT_EQ(outcome.status, 0);
    EXPECT_EQ(outcome.out, Greeting() + "<1><2>");
}

TEST(TerminalFrontEnd, StopsWhenSendStaysDisabledAfterTheExchangesEnded) {
    Strings inputs;
    ExchangeRoutine routine = [&](WindowOperations& window) {
        window.SetControlDisabled(Control::SendButton, true);
        inputs.push_back(window.ReadControlText(Control::InputBox));
        return true;
    };
    const Outcome outcome = RunTerminal(routine, "first\nsecond\n");
    EXPECT_EQ(inputs, Strings{"first"});
    EXPECT_EQ(outcome.status, 1);
    EXPECT_NE(outcome.err.find("Send stayed disabled"), std::string::npos) << outcome.err;
}

}  // namespace
}  // namespace velmora
