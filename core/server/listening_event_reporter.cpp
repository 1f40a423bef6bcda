#include "server/listening_event_reporter.h"

#include "runtime/async_call.h"
#include "server/api_client.h"

#include <algorithm>
#include <utility>

namespace sorvalind {

namespace {

// A seek or a stall can make one report span much more than real listening
// time; no report counts for more than a second.
double clampedInterval(double elapsed) noexcept {
    if (!(elapsed > 0)) return 0; // negative, zero or not a number
    return std::min(elapsed, 1.0);
}

constexpr double maximumThreshold = 30;

} // namespace

void ListeningEventReporter::State::cancelPending() noexcept {
    for (auto& [key, stop] : pending)
        stop.request_stop();
    pending.clear();
}

ListeningEventReporter::ListeningEventReporter(Executor& mainActor, Executor& worker)
    : mainActor_(mainActor), worker_(worker), state_(std::make_shared<State>()) {}

ListeningEventReporter::~ListeningEventReporter() {
    state_->cancelPending();
}

void ListeningEventReporter::setEnabled(bool enabled) {
    State& state = *state_;
    if (state.enabled == enabled) return;
    state.enabled = enabled;
    state.listened.clear();
    state.submitted.clear();
    state.discardNextInterval = enabled;
    state.cancelPending();
}

void ListeningEventReporter::setApi(std::shared_ptr<APIClient> client) {
    if (!client) {
        state_->api = nullptr;
        return;
    }
    state_->api = [client = std::move(client)](const std::string& songID, bool submission,
                                               std::stop_token stop) {
        client->scrobble(songID, submission, stop);
    };
}

void ListeningEventReporter::began(const QueueEntry& entry, bool repeating) {
    State& state = *state_;
    if (!state.enabled) return;
    if (repeating) {
        state.submitted.erase(entry.id);
        state.listened[entry.id] = 0;
    }
    send(entry.song.id, false);
}

void ListeningEventReporter::progressed(const QueueEntry& entry, double elapsed, bool isPlaying) {
    State& state = *state_;
    if (!state.enabled || !isPlaying) return;
    if (state.discardNextInterval) {
        state.discardNextInterval = false;
        return;
    }
    const double total = state.listened[entry.id] += clampedInterval(elapsed);

    const std::optional<double>& duration = entry.song.duration;
    if (!duration || !(*duration > 0)) return;
    const double threshold = std::min(*duration / 2, maximumThreshold);
    // Marked before the answer: a refused submission is not sent again.
    if (total >= threshold && state.submitted.insert(entry.id).second) send(entry.song.id, true);
}

double ListeningEventReporter::listened(const std::string& entryID) const {
    const auto it = state_->listened.find(entryID);
    return it == state_->listened.end() ? 0 : it->second;
}

bool ListeningEventReporter::submitted(const std::string& entryID) const {
    return state_->submitted.contains(entryID);
}

void ListeningEventReporter::send(const std::string& songID, bool submission) {
    State& state = *state_;
    if (!state.enabled || !state.api) return;

    const std::uint64_t key = state.nextKey++;
    const std::stop_token stop = state.pending[key].get_token();
    runOn(
        worker_, mainActor_, stop,
        [api = state.api, songID, submission, stop] { api(songID, submission, stop); },
        [weak = std::weak_ptr<State>(state_), key](const Outcome<void>&) {
            // Sent, refused or cancelled alike: nothing is retried.
            if (const std::shared_ptr<State> state = weak.lock()) state->pending.erase(key);
        });
}

} // namespace sorvalind
