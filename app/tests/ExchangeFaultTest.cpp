// Whole exchanges meeting faults on the network, against a real server in the test process: a
// reply cut at every byte, a reset, stalls, a very large delta, and many exchanges in a row.

#include <gtest/gtest.h>
#include <malloc.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "app/ChatExchange.h"
#include "app/tests/FaultyServices.h"
#include "app/tests/RecordingWindow.h"
#include "encoding/Utf8Text.h"
#include "tests/support/TestServer.h"
#include "tools/StandInService.h"

namespace velmora {
namespace {

using namespace std::chrono_literals;
using namespace testsupport;
using testing::RecordingWindow;

constexpr const char* kKey = "sk-faults-0123456789abcdef";
constexpr std::string_view kFailed = "（请求失败：";
constexpr std::string_view kDone = "data: [DONE]\n\n";

ChatConfig Config(const TestServer& server, std::chrono::milliseconds idleLimit = 10s) {
    return ChatConfig{.url = server.Url("/v1/chat/completions"),
                      .key = kKey,
                      .model = "gpt-3.5-turbo",
                      .configFile = "/nowhere/velmora.conf",
                      .connectTimeLimit = 10s,
                      .idleTimeLimit = idleLimit};
}

const ServerIdentity* Tls(bool tls) {
    return tls ? &TestCertificates().localhost : nullptr;
}

struct Outcome {
    bool whole = false;
    std::string reply;  // the transcript after "AI说：", UTF-8
    bool sendUsable = false;
};

// Types input into the window and presses Send once.
Outcome Exchange(RecordingWindow& window, const ChatConfig& config,
                 const std::string& input = "question") {
    window.SetControlText(Control::InputBox, Utf8ToText(input));
    Outcome outcome;
    outcome.whole = SendChatMessage(window, config);
    const std::string transcript = window.TranscriptUtf8();
    const std::string echo = "我说：" + input + "\r\n\r\nAI说：";
    EXPECT_TRUE(transcript.starts_with(echo)) << transcript;
    if (transcript.starts_with(echo)) outcome.reply = transcript.substr(echo.size());
    outcome.sendUsable = !window.SendDisabled();
    return outcome;
}

// "" when equal; else where the texts part, without dumping megabytes.
std::string Difference(const std::string& actual, const std::string& expected) {
    if (actual == expected) return {};
    std::size_t at = 0;
    while (at < actual.size() && at < expected.size() && actual[at] == expected[at]) ++at;
    const std::size_t from = at < 40 ? 0 : at - 40;
    return "sizes " + std::to_string(actual.size()) + " and " + std::to_string(expected.size()) +
           ", first difference at byte " + std::to_string(at) + ": \"" + actual.substr(from, 80) +
           "\" instead of \"" + expected.substr(from, 80) + "\"";
}

bool WaitUntil(const std::function<bool()>& ready) {
    const auto deadline = std::chrono::steady_clock::now() + kLongestWait;
    while (!ready()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(1ms);
    }
    return true;
}

class ExchangeFaultTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { TrustTestCa(); }
};

// A short streamed reply, and what the transcript shows once each of its events has arrived.
struct StreamedReply {
    std::string bytes;
    struct Event {
        std::size_t end;    // offset just past the event's last byte
        std::string shown;  // the reply text once it has been shown
    };
    std::vector<Event> events;
    std::size_t endEventEnd = 0;
};

StreamedReply ShortReply() {
    StreamedReply reply;
    reply.bytes = testing::kStreamHead;
    std::string shown;
    const std::pair<std::string, std::string> deltas[] = {
        {"", ""}, {"你好", "你好"}, {", world\n", ", world\r\n"}, {"😀", "😀"}};
    for (const auto& [delta, onScreen] : deltas) {
        const std::string event = standin::ContentEvent(delta);
        reply.bytes += ChunkedPiece(event);
        shown += onScreen;
        reply.events.push_back({reply.bytes.size() - 2, shown});
    }
    reply.bytes += ChunkedPiece(kDone);
    reply.endEventEnd = reply.bytes.size() - 2;
    reply.bytes += kLastChunk;
    return reply;
}

TEST_F(ExchangeFaultTest, ClosedAtEveryByteOfAStreamedReply) {
    const StreamedReply reply = ShortReply();
    for (const bool tls : {false, true}) {
        std::atomic<std::size_t> cut{0};
        TestServer server(
            [&](const ReceivedRequest&, ResponseWriter& response) {
                response.Write(std::string_view(reply.bytes).substr(0, cut));
                response.Close();
            },
            Tls(tls));
        for (std::size_t at = 0; at < reply.bytes.size(); ++at) {
            SCOPED_TRACE((tls ? "https, closed after " : "http, closed after ") +
                         std::to_string(at) + " bytes");
            cut = at;
            std::string shown;
            for (const auto& event : reply.events) {
                if (event.end <= at) shown = event.shown;
            }
            RecordingWindow window;
            const Outcome outcome = Exchange(window, Config(server));
            EXPECT_TRUE(outcome.sendUsable);
            if (reply.endEventEnd <= at) {
                // The end event came: the reply is whole, however the connection ends after it.
                EXPECT_TRUE(outcome.whole);
                EXPECT_EQ(outcome.reply, shown + "\r\n\r\n");
            } else {
                EXPECT_FALSE(outcome.whole);
                const std::string notice = shown + (shown.empty() ? "" : "\r\n") + kFailed.data();
                EXPECT_TRUE(outcome.reply.starts_with(notice)) << outcome.reply;
                EXPECT_TRUE(outcome.reply.ends_with("）\r\n\r\n")) << outcome.reply;
                // A close is noticed when it happens, not when the idle limit runs out.
                EXPECT_EQ(outcome.reply.find("timed out"), std::string::npos) << outcome.reply;
            }
            if (HasFailure()) break;
        }
        // And the next exchange on a sound service goes through.
        TestServer sound(testing::EchoingService(), Tls(tls));
        RecordingWindow window;
        const Outcome outcome = Exchange(window, Config(sound));
        EXPECT_TRUE(outcome.whole);
        EXPECT_EQ(outcome.reply, "question\r\n\r\n");
    }
}

TEST_F(ExchangeFaultTest, ResetAfterTheFirstDelta) {
    RecordingWindow window;
    TestServer server(
        [&window](const ReceivedRequest&, ResponseWriter& response) {
            response.Write(std::string(testing::kStreamHead) +
                           ChunkedPiece(standin::ContentEvent("so far")));
            // Once the text is shown, so that the reset cannot overtake it.
            WaitUntil([&window] { return window.TranscriptUtf8().ends_with("so far"); });
            response.Reset();
        },
        &TestCertificates().localhost);
    const Outcome outcome = Exchange(window, Config(server));
    EXPECT_FALSE(outcome.whole);
    EXPECT_EQ(outcome.reply,
              "so far\r\n（请求失败：connection closed before the reply was complete）\r\n\r\n");
    EXPECT_TRUE(outcome.sendUsable);
}

TEST_F(ExchangeFaultTest, StallsEndAtTheIdleLimit) {
    const std::string firstEvent = ChunkedPiece(standin::ContentEvent("waiting"));
    const std::string nextEvent = ChunkedPiece(standin::ContentEvent("never shown"));
    const struct {
        const char* name;
        std::string sent;
        std::string reply;
    } cases[] = {
        {"before the head", "", "（请求失败：timed out）\r\n\r\n"},
        {"after the head", std::string(testing::kStreamHead), "（请求失败：timed out）\r\n\r\n"},
        {"inside an event",
         std::string(testing::kStreamHead) + firstEvent + nextEvent.substr(0, nextEvent.size() / 2),
         "waiting\r\n（请求失败：timed out）\r\n\r\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TestServer server(testing::StallingAfter(c.sent), &TestCertificates().localhost);
        RecordingWindow window;
        const Outcome outcome = Exchange(window, Config(server, 1s));
        EXPECT_FALSE(outcome.whole);
        EXPECT_EQ(outcome.reply, c.reply);
        EXPECT_TRUE(outcome.sendUsable);
    }
}

TEST_F(ExchangeFaultTest, MegabyteDeltaArrivesWhole) {
    constexpr std::size_t kSize = 1 << 20;
    std::string delta;
    const std::string unit = "一段很长的回复 a long reply 😀\n";
    while (delta.size() + unit.size() <= kSize) delta += unit;
    delta.resize(kSize, '.');
    std::string shown;
    for (const char c : delta) {
        if (c == '\n') shown += '\r';
        shown += c;
    }

    TestServer server(
        [&delta](const ReceivedRequest&, ResponseWriter& response) {
            // Chunks of a prime size, so that their borders fall inside characters.
            const std::string event = standin::ContentEvent(delta);
            std::string bytes(testing::kStreamHead);
            for (std::size_t at = 0; at < event.size(); at += 7919) {
                bytes += ChunkedPiece(std::string_view(event).substr(at, 7919));
            }
            bytes += ChunkedPiece(kDone);
            bytes += kLastChunk;
            response.Write(bytes);
        },
        &TestCertificates().localhost);
    RecordingWindow window;
    const Outcome outcome = Exchange(window, Config(server));
    EXPECT_TRUE(outcome.whole);
    EXPECT_EQ(Difference(outcome.reply, shown + "\r\n\r\n"), "");
}

struct Resources {
    std::size_t descriptors = 0;
    std::size_t threads = 0;
    std::size_t residentKiB = 0;
};

std::size_t Entries(const char* directory) {
    const std::filesystem::directory_iterator entries(directory);
    return static_cast<std::size_t>(std::distance(begin(entries), end(entries)));
}

Resources Measure() {
    malloc_trim(0);  // free heap pages count as nothing that the program holds
    Resources resources{Entries("/proc/self/fd"), Entries("/proc/self/task"), 0};
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);) {
        if (line.starts_with("VmRSS:")) resources.residentKiB = std::stoul(line.substr(6));
    }
    return resources;
}

TEST_F(ExchangeFaultTest, ThousandExchangesInARowHoldNothingBack) {
    // A server per hundred exchanges: it keeps its finished connection threads until it stops.
    constexpr int kRounds = 10, kExchangesPerRound = 100;
    constexpr std::size_t kResidentSlackKiB = 2048;
    Resources afterWarmUp;
    int failures = 0;
    for (int round = 0; round < kRounds && failures == 0; ++round) {
        {
            TestServer server(testing::EchoingService());
            for (int i = 0; i < kExchangesPerRound && failures == 0; ++i) {
                const std::string input =
                    "exchange " + std::to_string(round) + "." + std::to_string(i) + " 你好";
                RecordingWindow window;
                const Outcome outcome = Exchange(window, Config(server), input);
                if (!outcome.whole || outcome.reply != input + "\r\n\r\n" || !outcome.sendUsable) {
                    ++failures;
                    ADD_FAILURE() << input << ": " << outcome.reply;
                }
            }
        }
        if (round == 0) afterWarmUp = Measure();
    }
    const Resources atEnd = Measure();
    EXPECT_EQ(atEnd.descriptors, afterWarmUp.descriptors);
    EXPECT_EQ(atEnd.threads, afterWarmUp.threads);
#ifndef VELMORA_SANITIZED  // a sanitizer's allocator holds on to freed memory on purpose
    EXPECT_LE(atEnd.residentKiB, afterWarmUp.residentKiB + kResidentSlackKiB)
        << "after the warm-up " << afterWarmUp.residentKiB << " KiB";
#endif
    RecordProperty("resident_kib_after_warm_up", std::to_string(afterWarmUp.residentKiB));
    RecordProperty("resident_kib_at_end", std::to_string(atEnd.residentKiB));
}

}  // namespace
}  // namespace velmora
