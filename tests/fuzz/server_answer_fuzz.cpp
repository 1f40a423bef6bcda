// A server's answers through every way they come in: the envelope, each
// operation's result (songs, albums and artists of a search page, playlists,
// extensions, shares, artist info, the user's share role), and the stored
// queue and download jobs. Any bytes end in a value or a failure; a value
// that decodes must also survive its own save and reload.
#include "downloads/download_job.h"
#include "library/json_coding.h"
#include "library/json_element.h"
#include "playback/queue_state.h"
#include "runtime/virtual_clock.h"
#include "server/api_client.h"
#include "server/api_envelope.h"

#include <cstdint>
#include <cstdlib>
#include <exception>
#include <memory>
#include <string>

namespace sorvalind::fuzz {
namespace {

// Answers every request with status 200 and the fuzz input as its body.
class AnswerTransport final : public HttpTransport {
public:
    std::string body;

    HttpResponseHead stream(const HttpRequest&, HttpStreamHandler& handler, std::stop_token) override {
        HttpResponseHead head;
        head.status = 200;
        head.expectedContentLength = static_cast<std::int64_t>(body.size());
        handler.onResponse(head);
        if (!body.empty()) handler.onData(body);
        return head;
    }
    void cancelAll() noexcept override {}
    void invalidate() noexcept override {}
};

// The client's main actor: nothing here waits for its callbacks, so they are
// dropped, as an executor that is shutting down drops them.
class DroppingExecutor final : public Executor {
public:
    void post(Task) override {}
    void postAt(SteadyTime, Task) override {}
    const SteadyClock& clock() const noexcept override { return clock_.steady(); }
    bool isCurrent() const noexcept override { return false; }

private:
    VirtualClock clock_;
};

template <class Call> void attempt(Call call) {
    try {
        call();
    } catch (const std::exception&) {
    }
}

// A value read back from its own saved text must read again.
template <class Record> void roundTrip(const Record& record) {
    std::string saved;
    try {
        saved = toJSONText(record);
    } catch (const std::exception&) {
        return; // refusing to save is allowed; saving something unreadable is not
    }
    try {
        (void)fromJSONText<Record>(saved);
    } catch (const std::exception&) {
        std::abort();
    }
}

struct Client {
    std::shared_ptr<AnswerTransport> transport = std::make_shared<AnswerTransport>();
    DroppingExecutor mainActor;
    APIClient client{ServerConfiguration("http://127.0.0.1:4533", "fuzz", true), "secret", mainActor,
                     transport};
};

} // namespace
} // namespace sorvalind::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace sorvalind;
    static fuzz::Client* shared = new fuzz::Client();
    std::string body(reinterpret_cast<const char*>(data), size);
    shared->transport->body = body;
    APIClient& client = shared->client;

    fuzz::attempt([&] { APIEnvelope envelope(body); });
    fuzz::attempt([&] { (void)failedEnvelopeCode(body); });
    fuzz::attempt([&] { client.validate(); });
    fuzz::attempt([&] { client.page(0, 0, 0, 500, {}); });
    fuzz::attempt([&] { client.playlists({}); });
    fuzz::attempt([&] { client.playlist("p1", {}); });
    fuzz::attempt([&] { client.song("s1"); });
    fuzz::attempt([&] { client.artistInfo("a1"); });
    fuzz::attempt([&] { client.sharingEnabled(); });
    fuzz::attempt([&] { client.createShare({"s1", "s2"}); });

    // The stored queue and the stored download jobs (an array of which each
    // job decodes on its own).
    fuzz::attempt([&] { fuzz::roundTrip(fromJSONText<QueueState>(body)); });
    fuzz::attempt([&] {
        JSONDocument document(body);
        const JSONElement& root = document.root();
        if (root.type() != json_element::Type::ARRAY) return;
        for (JSONElement element : json_element::arrayOf(root))
            fuzz::attempt([&] { fuzz::roundTrip(DownloadJob::decode(element)); });
    });
    return 0;
}
