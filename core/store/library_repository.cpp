#include "store/library_repository.h"

#include "store/library_connection.h"
#include "store/library_schema.h"

namespace sorvalind {

LibraryRepository::LibraryRepository(const std::string& path, Executor& mainActor, const WallClock& wallClock)
    : mainActor_(mainActor), counters_(std::make_shared<RevisionCounters>()),
      connection_(std::make_unique<LibraryConnection>(openLibraryDatabase(path), counters_, wallClock)),
      queue_(std::make_unique<SerialQueue>("library")) {}

LibraryRepository::~LibraryRepository() {
    // Work already handed to the queue runs first; the connection closes
    // after it, on this thread, once nothing else can touch it.
    queue_->shutdown();
}

LibraryRevisions LibraryRepository::revisions() const noexcept {
    return counters_->current();
}

Executor& LibraryRepository::executor() noexcept {
    return *queue_;
}

void LibraryRepository::close() {
    perform([](LibraryConnection& connection) { connection.close(); });
}

} // namespace sorvalind
