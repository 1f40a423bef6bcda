#include "sync/sync_engine.h"

#include "errors/api_error.h"
#include "errors/refused_edit_error.h"
#include "library/json_coding.h"
#include "runtime/cancellation.h"
#include "runtime/thread_executor.h"
#include "sync/edit_refusals.h"
#include "sync/edit_request.h"

#include <exception>
#include <future>
#include <vector>

namespace sorvalind {

namespace {

// Subsonic error codes.
constexpr int wrongCredentials = 40;
constexpr int tokenAuthenticationUnsupported = 41;
constexpr int notFound = 70;

// A refusal of the credentials concerns every request, not this edit.
bool endsPush(const APIError& error) noexcept {
    return error.kind() != APIError::Case::server || error.code() == wrongCredentials ||
           error.code() == tokenAuthenticationUnsupported;
}

} // namespace

TaskHandle SyncEngine::startPushEdits(APIClient& api) {
    std::lock_guard lock(mutex_);
    editPushTask_ = startTask(
        *pushQueue_, [this, &api](std::stop_token stop) { push(api, std::move(stop)); }, editPushTask_);
    return editPushTask_;
}

void SyncEngine::pushEdits(APIClient& api, std::stop_token stop) {
    const TaskHandle task = startPushEdits(api);
    std::stop_callback cancel(stop, [task] { task.cancel(); });
    std::promise<Outcome<void>> ended;
    std::future<Outcome<void>> outcome = ended.get_future();
    task.whenFinished(*pushQueue_, [ended = std::move(ended)](const Outcome<void>& result) mutable {
        ended.set_value(result);
    });
    try {
        outcome.get().get();
    } catch (const std::future_error&) {
        // The queue shut down before it told us: the push will not run.
        throw CancellationError();
    }
}

void SyncEngine::push(APIClient& api, std::stop_token stop) {
    const std::vector<LibraryRepository::PendingEdit> edits = repository_.pendingEdits();
    refusals_->keepOnly(edits);
    std::exception_ptr firstRefusal;
    std::vector<std::string> dropped;
    int droppedCode = 0;
    for (const LibraryRepository::PendingEdit& edit : edits) {
        throwIfCancelled(stop);
        if (const std::optional<EditRequest> request = editRequest(edit)) {
            try {
                api.request(request->method, request->parameters, stop);
            } catch (const APIError& error) {
                if (endsPush(error)) throw;
                // The server refused this edit. Stopping here would hold every
                // later edit, and every synchronisation, behind it for good.
                if (error.code() == notFound) {
                    refusals_->forget(edit);
                    repository_.acknowledge(edit);
                    continue;
                }
                const std::exception_ptr refusal = std::current_exception();
                const bool lastTry = refusals_->refused(edit);
                const Verdict verdict = verify(api, edit, stop);
                if (verdict.held || lastTry) {
                    refusals_->forget(edit);
                    repository_.acknowledge(edit);
                    if (!verdict.held) {
                        dropped.push_back(verdict.name);
                        droppedCode = error.code();
                    }
                } else if (!firstRefusal) {
                    firstRefusal = refusal;
                }
                continue;
            }
        }
        refusals_->forget(edit);
        repository_.acknowledge(edit);
    }
    // A dropped edit is told once, when it goes; a refusal that stays queued
    // is told again by the next push.
    if (!dropped.empty()) throw RefusedEditError(std::move(dropped), droppedCode);
    if (firstRefusal) std::rethrow_exception(firstRefusal);
}

SyncEngine::Verdict SyncEngine::verify(APIClient& api, const LibraryRepository::PendingEdit& edit,
                                       std::stop_token stop) {
    try {
        // A repeated star, or a request whose answer was lost, is refused
        // although the server already holds what the edit asks for.
        ServerItemState state = serverState(api, edit, stop);
        return {state.holdsEdit, std::move(state.name)};
    } catch (const APIError& error) {
        // Any other answer, an HTTP status included, leaves the question
        // open: the edit counts as refused, so it cannot stay for ever.
        if (error.kind() == APIError::Case::server &&
            (error.code() == wrongCredentials || error.code() == tokenAuthenticationUnsupported))
            throw;
    } catch (const DecodingError&) {
    }
    return {false, storedName(edit)};
}

std::string SyncEngine::storedName(const LibraryRepository::PendingEdit& edit) {
    switch (edit.target) {
    case LibraryItemKind::album:
        if (auto album = repository_.album(edit.itemID)) return album->name;
        break;
    case LibraryItemKind::artist:
        break;
    case LibraryItemKind::song:
        if (auto song = repository_.song(edit.itemID)) return song->title;
        break;
    }
    return edit.itemID;
}

} // namespace sorvalind
