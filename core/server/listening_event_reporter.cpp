#include "server/listening_event_reporter.h"

#include "platform/crypto/digest.h"
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

bool ListeningEventReporter::State::submissionInFlight(const std::string& entryID) const {
    return std::any_of(pending.begin(), pending.end(),
                       [&](const auto& item) { return item.second.submissionFor == entryID; });
}

void ListeningEventReporter::State::cancelPending() noexcept {
    for (auto& [key, task] : pending)
        task.stop.request_stop();
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
        // An answer to the previous round's submission must not count for this one.
        for (auto& [key, task] : state.pending) {
            if (task.submissionFor == entry.id) task.submissionFor.reset();
        }
    }
    send(entry.song.id, false, std::nullopt);
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
    // The entry counts as submitted only once the server accepted it, so a
    // submission that failed, or found no client, is tried again here; one in
    // flight is left to finish first.
    if (total >= threshold && !state.submitted.contains(entry.id) && !state.submissionInFlight(entry.id)) {
        send(entry.song.id, true, entry.id);
    }
}

double ListeningEventReporter::listened(const std::string& entryID) const {
    const auto it = state_->listened.find(entryID);
    return it == state_->listened.end() ? 0 : it->second;
}

bool ListeningEventReporter::submitted(const std::string& entryID) const {
    return state_->submitted.contains(entryID);
}

void ListeningEventReporter::send(const std::string& songID, bool submission,
                                  std::optional<std::string> entryID) {
    State& state = *state_;
    if (!state.enabled || !state.api) return;

    const std::string key = randomUUID();
    Task& task = state.pending[key];
    task.submissionFor = std::move(entryID);
    const std::stop_token stop = task.stop.get_token();

    std::weak_ptr<State> weak = state_;
    Executor& worker = worker_;
    Executor& mainActor = mainActor_;
    mainActor_.post([weak, key, api = state.api, songID, submission, stop, &worker, &mainActor] {
        const std::shared_ptr<State> state = weak.lock();
        if (!state) return;
        if (!state->enabled || stop.stop_requested()) {
            finish(*state, key, false);
            return;
        }
        worker.post([weak, key, api, songID, submission, stop, &mainActor] {
            bool accepted = false;
            try {
                api(songID, submission, stop);
                accepted = true;
            } catch (...) {
                // Dropped: the play stays unsubmitted and a later report retries it.
            }
            mainActor.post([weak, key, accepted] {
                if (const std::shared_ptr<State> state = weak.lock()) finish(*state, key, accepted);
            });
        });
    });
}

void ListeningEventReporter::finish(State& state, const std::string& key, bool accepted) {
    const auto it = state.pending.find(key);
    if (it == state.pending.end()) return; // cancelled by a switch: its answer no longer counts
    if (accepted && it->second.submissionFor) state.submitted.insert(*it->second.submissionFor);
    state.pending.erase(it);
}

} // namespace sorvalind
