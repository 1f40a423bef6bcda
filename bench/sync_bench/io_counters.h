#pragma once
// Counts what SQLite asks of the file system: page writes (one xWrite each,
// the write-ahead log's frames included), reads, and syncs (one xSync each:
// an fdatasync or fsync on Linux). Installed once as the default VFS over the
// platform's own, before any connection opens; every file of every
// connection opened afterwards is counted. Any thread; the counters are
// atomic.

#include <cstdint>

namespace sorvalind::bench {

struct IOCounts {
    std::uint64_t writes = 0;
    // Of the writes, those to the write-ahead log, and those to temporary
    // files (statement journals, sorts); the rest copy the log back into
    // the file at its checkpoints.
    std::uint64_t logWrites = 0;
    std::uint64_t temporaryWrites = 0;
    std::uint64_t reads = 0;
    std::uint64_t syncs = 0;
    // Time spent inside the writes and inside the syncs.
    double writeSeconds = 0;
    double syncSeconds = 0;

    IOCounts operator-(const IOCounts& earlier) const {
        return {writes - earlier.writes,
                logWrites - earlier.logWrites,
                temporaryWrites - earlier.temporaryWrites,
                reads - earlier.reads,
                syncs - earlier.syncs,
                writeSeconds - earlier.writeSeconds,
                syncSeconds - earlier.syncSeconds};
    }
};

// Installs the counting layer; throws std::runtime_error when SQLite refuses.
void installIOCounters();
// The counts since installation.
IOCounts ioCounts();

} // namespace sorvalind::bench
