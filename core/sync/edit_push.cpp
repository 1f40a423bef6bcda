#include "sync/sync_engine.h"

#include "errors/api_error.h"
#include "runtime/cancellation.h"
#include "runtime/thread_executor.h"
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
    std::exception_ptr firstRefusal;
    for (const LibraryRepository::PendingEdit& edit : edits) {
        throwIfCancelled(stop);
        if (const std::optional<EditRequest> request = editRequest(edit)) {
            try {
                api.request(request->method, request->parameters, stop);
            } catch (const APIError& error) {
                if (endsPush(error)) throw;
                // The server refused this edit (a repeated star is "already
                // starred"): sending it again next time costs one request,
                // while stopping here would hold every later edit, and every
                // synchronisation, behind it for good.
                if (error.code() == notFound) {
                    repository_.acknowledge(edit);
                } else if (!firstRefusal) {
                    firstRefusal = std::current_exception();
                }
                continue;
            }
        }
        repository_.acknowledge(edit);
    }
    if (firstRefusal) std::rethrow_exception(firstRefusal);
}

} // namespace sorvalind
