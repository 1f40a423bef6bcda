#include "sync_bench/io_counters.h"

#include <sqlite3.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <stdexcept>

namespace sorvalind::bench {

namespace {

std::atomic<std::uint64_t> writes{0};
std::atomic<std::uint64_t> logWrites{0};
std::atomic<std::uint64_t> temporaryWrites{0};
std::atomic<std::uint64_t> reads{0};
std::atomic<std::uint64_t> syncs{0};
std::atomic<std::uint64_t> syncNanoseconds{0};
std::atomic<std::uint64_t> writeNanoseconds{0};

// Adds the time since it was made to `total` when it goes.
class Timed {
public:
    explicit Timed(std::atomic<std::uint64_t>& total)
        : total_(total), start_(std::chrono::steady_clock::now()) {}
    ~Timed() {
        total_.fetch_add(static_cast<std::uint64_t>(std::chrono::duration_cast<std::chrono::nanoseconds>(
                                                        std::chrono::steady_clock::now() - start_)
                                                        .count()),
                         std::memory_order_relaxed);
    }
    Timed(const Timed&) = delete;
    Timed& operator=(const Timed&) = delete;

private:
    std::atomic<std::uint64_t>& total_;
    std::chrono::steady_clock::time_point start_;
};

sqlite3_vfs* inner = nullptr;
sqlite3_vfs counting;

// A counted file: the inner file follows this header in the same block
// (szOsFile is the inner size plus the header).
struct CountedFile {
    sqlite3_file base;
    bool log;
    bool temporary;
    char padding[6];
    sqlite3_file* inner() { return reinterpret_cast<sqlite3_file*>(this + 1); }
};

CountedFile* counted(sqlite3_file* file) {
    return reinterpret_cast<CountedFile*>(file);
}

int closeFile(sqlite3_file* file) {
    auto* self = counted(file);
    return self->inner()->pMethods ? self->inner()->pMethods->xClose(self->inner()) : SQLITE_OK;
}
int readFile(sqlite3_file* file, void* buffer, int amount, sqlite3_int64 offset) {
    reads.fetch_add(1, std::memory_order_relaxed);
    return counted(file)->inner()->pMethods->xRead(counted(file)->inner(), buffer, amount, offset);
}
int writeFile(sqlite3_file* file, const void* buffer, int amount, sqlite3_int64 offset) {
    writes.fetch_add(1, std::memory_order_relaxed);
    if (counted(file)->log) logWrites.fetch_add(1, std::memory_order_relaxed);
    if (counted(file)->temporary) temporaryWrites.fetch_add(1, std::memory_order_relaxed);
    const Timed timed(writeNanoseconds);
    return counted(file)->inner()->pMethods->xWrite(counted(file)->inner(), buffer, amount, offset);
}
int truncateFile(sqlite3_file* file, sqlite3_int64 size) {
    return counted(file)->inner()->pMethods->xTruncate(counted(file)->inner(), size);
}
int syncFile(sqlite3_file* file, int flags) {
    syncs.fetch_add(1, std::memory_order_relaxed);
    const Timed timed(syncNanoseconds);
    return counted(file)->inner()->pMethods->xSync(counted(file)->inner(), flags);
}
int fileSize(sqlite3_file* file, sqlite3_int64* size) {
    return counted(file)->inner()->pMethods->xFileSize(counted(file)->inner(), size);
}
int lockFile(sqlite3_file* file, int level) {
    return counted(file)->inner()->pMethods->xLock(counted(file)->inner(), level);
}
int unlockFile(sqlite3_file* file, int level) {
    return counted(file)->inner()->pMethods->xUnlock(counted(file)->inner(), level);
}
int checkLock(sqlite3_file* file, int* out) {
    return counted(file)->inner()->pMethods->xCheckReservedLock(counted(file)->inner(), out);
}
int fileControl(sqlite3_file* file, int op, void* argument) {
    return counted(file)->inner()->pMethods->xFileControl(counted(file)->inner(), op, argument);
}
int sectorSize(sqlite3_file* file) {
    return counted(file)->inner()->pMethods->xSectorSize(counted(file)->inner());
}
int deviceCharacteristics(sqlite3_file* file) {
    return counted(file)->inner()->pMethods->xDeviceCharacteristics(counted(file)->inner());
}
int shmMap(sqlite3_file* file, int region, int size, int extend, void volatile** out) {
    return counted(file)->inner()->pMethods->xShmMap(counted(file)->inner(), region, size, extend, out);
}
int shmLock(sqlite3_file* file, int offset, int count, int flags) {
    return counted(file)->inner()->pMethods->xShmLock(counted(file)->inner(), offset, count, flags);
}
void shmBarrier(sqlite3_file* file) {
    counted(file)->inner()->pMethods->xShmBarrier(counted(file)->inner());
}
int shmUnmap(sqlite3_file* file, int deleteFlag) {
    return counted(file)->inner()->pMethods->xShmUnmap(counted(file)->inner(), deleteFlag);
}
int fetchPage(sqlite3_file* file, sqlite3_int64 offset, int amount, void** out) {
    return counted(file)->inner()->pMethods->xFetch(counted(file)->inner(), offset, amount, out);
}
int unfetchPage(sqlite3_file* file, sqlite3_int64 offset, void* page) {
    return counted(file)->inner()->pMethods->xUnfetch(counted(file)->inner(), offset, page);
}

const sqlite3_io_methods methods = {
    3,          closeFile, readFile,    writeFile,  truncateFile,          syncFile, fileSize, lockFile,
    unlockFile, checkLock, fileControl, sectorSize, deviceCharacteristics, shmMap,   shmLock,  shmBarrier,
    shmUnmap,   fetchPage, unfetchPage,
};

int openFile(sqlite3_vfs*, sqlite3_filename name, sqlite3_file* file, int flags, int* outFlags) {
    auto* self = counted(file);
    std::memset(self, 0, sizeof(CountedFile));
    self->log = (flags & SQLITE_OPEN_WAL) != 0;
    self->temporary = (flags & (SQLITE_OPEN_SUBJOURNAL | SQLITE_OPEN_TEMP_JOURNAL | SQLITE_OPEN_TEMP_DB |
                                SQLITE_OPEN_TRANSIENT_DB)) != 0;
    const int result = inner->xOpen(inner, name, self->inner(), flags, outFlags);
    // SQLite closes a file whose pMethods is set even when the open failed.
    self->base.pMethods = self->inner()->pMethods ? &methods : nullptr;
    return result;
}
int deleteFile(sqlite3_vfs*, const char* name, int syncDir) {
    return inner->xDelete(inner, name, syncDir);
}
int access(sqlite3_vfs*, const char* name, int flags, int* out) {
    return inner->xAccess(inner, name, flags, out);
}
int fullPathname(sqlite3_vfs*, const char* name, int size, char* out) {
    return inner->xFullPathname(inner, name, size, out);
}
void* dlOpen(sqlite3_vfs*, const char* name) {
    return inner->xDlOpen(inner, name);
}
void dlError(sqlite3_vfs*, int size, char* out) {
    inner->xDlError(inner, size, out);
}
void (*dlSym(sqlite3_vfs*, void* handle, const char* name))(void) {
    return inner->xDlSym(inner, handle, name);
}
void dlClose(sqlite3_vfs*, void* handle) {
    inner->xDlClose(inner, handle);
}
int randomness(sqlite3_vfs*, int size, char* out) {
    return inner->xRandomness(inner, size, out);
}
int sleep(sqlite3_vfs*, int microseconds) {
    return inner->xSleep(inner, microseconds);
}
int currentTime(sqlite3_vfs*, double* out) {
    return inner->xCurrentTime(inner, out);
}
int lastError(sqlite3_vfs*, int size, char* out) {
    return inner->xGetLastError ? inner->xGetLastError(inner, size, out) : 0;
}
int currentTimeInt64(sqlite3_vfs*, sqlite3_int64* out) {
    return inner->xCurrentTimeInt64(inner, out);
}

} // namespace

void installIOCounters() {
    if (inner) return;
    inner = sqlite3_vfs_find(nullptr);
    if (!inner) throw std::runtime_error("no default SQLite VFS");
    counting = sqlite3_vfs{};
    counting.iVersion = 2;
    counting.szOsFile = static_cast<int>(sizeof(CountedFile)) + inner->szOsFile;
    counting.mxPathname = inner->mxPathname;
    counting.zName = "sorvalind-counting";
    counting.xOpen = openFile;
    counting.xDelete = deleteFile;
    counting.xAccess = access;
    counting.xFullPathname = fullPathname;
    counting.xDlOpen = dlOpen;
    counting.xDlError = dlError;
    counting.xDlSym = dlSym;
    counting.xDlClose = dlClose;
    counting.xRandomness = randomness;
    counting.xSleep = sleep;
    counting.xCurrentTime = currentTime;
    counting.xGetLastError = lastError;
    counting.xCurrentTimeInt64 = currentTimeInt64;
    if (sqlite3_vfs_register(&counting, 1) != SQLITE_OK) throw std::runtime_error("cannot register the VFS");
}

IOCounts ioCounts() {
    return {writes.load(),
            logWrites.load(),
            temporaryWrites.load(),
            reads.load(),
            syncs.load(),
            static_cast<double>(writeNanoseconds.load()) / 1e9,
            static_cast<double>(syncNanoseconds.load()) / 1e9};
}

} // namespace sorvalind::bench
