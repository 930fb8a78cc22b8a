// The reply handler fed any body, cut into chunks anywhere: the transcript and the window calls
// do not depend on the cutting, the reply ends exactly once with Send usable again, and every
// line break shown is "\r\n".

#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "app/ReplyStream.h"
#include "app/tests/RecordingWindow.h"
#include "http/HttpClient.h"
#include "tests/fuzz/FeedInChunks.h"
#include "tests/fuzz/FuzzCheck.h"
#include "tests/fuzz/FuzzInput.h"

namespace velmora::fuzz {
namespace {

struct Outcome {
    TextBuffer transcript;
    std::vector<std::string> log;
    bool completed;
    bool sendDisabled;
};

Outcome Run(std::string_view body, const std::vector<std::size_t>& chunkLengths, int status,
            const HttpResult& result) {
    testing::RecordingWindow window;
    window.SetControlDisabled(Control::SendButton, true);
    ReplyStream reply(
        window, [status] { return status; }, "sk-secret");
    FeedInChunks(body, chunkLengths, [&](std::string_view chunk) {
        reply.OnReplyChunk(1, 2, reinterpret_cast<std::uintptr_t>(chunk.data()), chunk.size());
    });
    const bool completed = reply.Finish(result);
    return {window.ReadControlText(Control::TranscriptBox), window.Log(), completed,
            window.SendDisabled()};
}

bool LineBreaksAreCrLf(std::string_view text) {
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' && (i + 1 == text.size() || text[i + 1] != '\n')) return false;
        if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r')) return false;
    }
    return true;
}

}  // namespace
}  // namespace velmora::fuzz

// Input, from the back: the status byte, the result byte, a count k % 16 and k chunk lengths;
// the body is everything before them, zero bytes included.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace velmora;
    using namespace velmora::fuzz;
    FuzzInput input(data, size);
    static constexpr int kStatuses[] = {200, 0, 204, 400, 401, 429, 500, 503};
    const int status = kStatuses[input.TakeByte() % std::size(kStatuses)];
    const std::uint8_t how = input.TakeByte();
    HttpResult result;
    result.completed = (how & 1) != 0;
    result.status = (how & 2) ? status : 0;
    if (!result.completed) result.reason = "connection reset";
    std::vector<std::size_t> chunkLengths;
    for (int k = input.TakeByte() % 16; k > 0; --k) chunkLengths.push_back(input.TakeByte());
    const std::string_view body = input.TakeRest();

    const Outcome whole = Run(body, {body.size() + 1}, status, result);
    const Outcome chunked = Run(body, chunkLengths, status, result);
    FUZZ_CHECK(chunked.transcript == whole.transcript);
    FUZZ_CHECK(chunked.log == whole.log);
    FUZZ_CHECK(chunked.completed == whole.completed);

    FUZZ_CHECK(!whole.sendDisabled);
    FUZZ_CHECK(std::count(whole.log.begin(), whole.log.end(), "enable send") == 1);
    FUZZ_CHECK(whole.log.back() == "enable send");
    FUZZ_CHECK(whole.transcript.size() >= 4 &&
               whole.transcript.compare(whole.transcript.size() - 4, 4, "\r\n\r\n") == 0);
    FUZZ_CHECK(whole.transcript.find('\0') == TextBuffer::npos);
    FUZZ_CHECK(LineBreaksAreCrLf(whole.transcript));
    return 0;
}
