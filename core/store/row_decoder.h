#pragma once
// Decodes the JSON column of a long list of rows on several threads. The
// statement is stepped once, in order, on the caller's thread; its texts are
// copied into chunks that the decoder threads turn into records while the
// next rows are read; the decoded chunks join the list in row order. A short list (one
// chunk or less) is decoded on the caller's thread alone, so small reads
// start no thread. The result, and the failure, are those of decoding row by
// row: the first row that does not decode fails the read with its
// DecodingError, a failing step with its DatabaseError.
// Internal to core/store. decode(): the repository's queue only, one call at
// a time; the decoder threads start with the first long read and end with
// the decoder.

#include "library/json_coding.h"
#include "platform/sqlite/statement.h"
#include "runtime/thread_executor.h"

#include <algorithm>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <exception>
#include <iterator>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

namespace sorvalind {

class RowDecoder {
public:
    // Rows per chunk handed to a decoder thread.
    static constexpr std::size_t chunkRows = 256;
    // Emptied chunks kept for the next ones, so that their buffers are not
    // faulted in afresh for every chunk.
    static constexpr std::size_t spareChunks = 12;

    RowDecoder();
    ~RowDecoder();
    RowDecoder(const RowDecoder&) = delete;
    RowDecoder& operator=(const RowDecoder&) = delete;

    // Column 0 of every row of `statement` decoded as a T, in row order.
    // `expectedRows` is how many rows the caller expects (0: no idea), such
    // as the count of the same statement's last read; it receives the count
    // of this one.
    template <class T>
    std::vector<T> decode(Statement& statement, std::string_view (*column)(const Statement&),
                          std::size_t& expectedRows);

    // The JSON texts of `records`, in order. A long list is encoded in
    // consecutive parts on the decoder threads and the caller's; the first
    // part's failure (an EncodingError) is rethrown after every part ended.
    template <class T> std::vector<std::string> encode(const std::vector<const T*>& records);

private:
    // The texts of consecutive rows, end to end.
    struct Chunk {
        std::string text;
        std::vector<std::size_t> ends;
        bool full() const noexcept { return ends.size() >= chunkRows; }
        void add(std::string_view row) {
            text.append(row);
            ends.push_back(text.size());
        }
    };
    template <class T> struct Slot {
        std::vector<T> rows;
        std::exception_ptr failure;
        bool finished = false; // guarded by the read's mutex
    };
    // What one read shares with its chunks in flight; the chunks hold it, so
    // a read that fails while they run leaves them something to finish on.
    // The decoded chunks join `rows` in row order as they finish, on the
    // decoder thread that finds the next one done, so that the reading
    // thread only reads and the records are held once.
    template <class T> struct Read {
        std::mutex mutex;
        std::condition_variable done;
        std::size_t pending = 0;   // chunks not yet finished and joined
        std::deque<Slot<T>> slots; // never moved: the chunks write in place
        std::size_t joined = 0;    // slots already in `rows`
        bool joining = false;      // a decoder is moving chunks into `rows`
        std::exception_ptr failure;
        std::vector<T> rows; // touched by the joining decoder only, then the reader
    };
    // Marks `finished` done and, unless another decoder is at it, moves every
    // chunk that is next in row order into the list.
    template <class T> static void join(Read<T>& read, Slot<T>& finished);

    template <class T> static void decodeChunk(const Chunk& chunk, Slot<T>& slot) {
        try {
            slot.rows.reserve(chunk.ends.size());
            std::size_t begin = 0;
            for (std::size_t end : chunk.ends) {
                slot.rows.push_back(fromJSONText<T>(std::string_view(chunk.text).substr(begin, end - begin)));
                begin = end;
            }
        } catch (...) {
            slot.failure = std::current_exception();
        }
    }

    WorkerPool& pool();
    Chunk takeChunk();
    void giveBack(Chunk chunk) noexcept;
    // Grows `rows` to hold `capacity` records.
    template <class T> static void reserve(std::vector<T>& rows, std::size_t capacity) {
        rows.reserve(capacity);
        preferHugePages(rows.data(), rows.capacity() * sizeof(T));
    }
    // Asks the kernel to back a large fresh buffer with huge pages: faulting
    // in a whole library's records page by page costs more than decoding
    // them.
    static void preferHugePages(const void* data, std::size_t bytes) noexcept;

    std::mutex sparesMutex_;
    std::vector<Chunk> spares_; // guarded by sparesMutex_
    std::unique_ptr<WorkerPool> pool_;
    // Text bytes per row of the last full chunk read; the reading thread's.
    std::size_t rowBytes_ = 0;
    std::size_t threads_ = 0; // of pool_, once it exists
};

template <class T>
std::vector<T> RowDecoder::decode(Statement& statement, std::string_view (*column)(const Statement&),
                                  std::size_t& expectedRows) {
    Chunk chunk = takeChunk();
    while (!chunk.full() && statement.step())
        chunk.add(column(statement));
    if (!chunk.full()) {
        Slot<T> slot;
        decodeChunk(chunk, slot);
        giveBack(std::move(chunk));
        if (slot.failure) std::rethrow_exception(slot.failure);
        expectedRows = slot.rows.size();
        return std::move(slot.rows);
    }

    auto read = std::make_shared<Read<T>>();
    if (expectedRows > chunkRows) reserve(read->rows, expectedRows);
    WorkerPool& decoders = pool();
    auto send = [&](Chunk&& full) {
        rowBytes_ = full.text.size() / full.ends.size();
        Slot<T>* slot;
        {
            std::lock_guard lock(read->mutex);
            slot = &read->slots.emplace_back();
            ++read->pending;
        }
        decoders.post([this, read, slot, rows = std::move(full)]() mutable {
            decodeChunk(rows, *slot);
            giveBack(std::move(rows));
            join(*read, *slot);
        });
    };
    auto failed = [&] {
        std::lock_guard lock(read->mutex);
        return read->failure != nullptr;
    };
    auto waitForChunks = [&] {
        std::unique_lock lock(read->mutex);
        read->done.wait(lock, [&] { return read->pending == 0; });
    };
    try {
        send(std::move(chunk));
        // A row that does not decode fails the read: no need to read on.
        while (!failed()) {
            Chunk next = takeChunk();
            while (!next.full() && statement.step())
                next.add(column(statement));
            if (next.ends.empty()) {
                giveBack(std::move(next));
                break;
            }
            const bool last = !next.full();
            send(std::move(next));
            if (last) break;
        }
    } catch (...) {
        waitForChunks();
        throw;
    }
    waitForChunks();
    if (read->failure) std::rethrow_exception(read->failure);
    std::vector<T> rows = std::move(read->rows);
    expectedRows = rows.size();
    if (rows.capacity() > 2 * rows.size()) rows.shrink_to_fit();
    return rows;
}

template <class T> std::vector<std::string> RowDecoder::encode(const std::vector<const T*>& records) {
    std::vector<std::string> texts(records.size());
    auto encodePart = [&](std::size_t begin, std::size_t end) {
        for (std::size_t index = begin; index < end; ++index)
            texts[index] = toJSONText(*records[index]);
    };
    if (records.size() <= chunkRows / 2) {
        encodePart(0, records.size());
        return texts;
    }
    WorkerPool& encoders = pool();
    const std::size_t parts = threads_ + 1;
    const std::size_t partSize = (records.size() + parts - 1) / parts;
    struct Shared {
        std::mutex mutex;
        std::condition_variable done;
        std::size_t pending = 0;
        std::vector<std::exception_ptr> failures;
    } shared;
    shared.failures.resize(parts);
    for (std::size_t part = 1; part < parts; ++part) {
        const std::size_t begin = std::min(records.size(), part * partSize);
        const std::size_t end = std::min(records.size(), begin + partSize);
        if (begin == end) break;
        {
            std::lock_guard lock(shared.mutex);
            ++shared.pending;
        }
        encoders.post([&shared, &encodePart, part, begin, end] {
            try {
                encodePart(begin, end);
            } catch (...) {
                shared.failures[part] = std::current_exception();
            }
            std::lock_guard lock(shared.mutex);
            if (--shared.pending == 0) shared.done.notify_all();
        });
    }
    try {
        encodePart(0, std::min(records.size(), partSize));
    } catch (...) {
        shared.failures[0] = std::current_exception();
    }
    {
        std::unique_lock lock(shared.mutex);
        shared.done.wait(lock, [&] { return shared.pending == 0; });
    }
    for (const auto& failure : shared.failures)
        if (failure) std::rethrow_exception(failure);
    return texts;
}

template <class T> void RowDecoder::join(Read<T>& read, Slot<T>& finished) {
    {
        std::lock_guard lock(read.mutex);
        finished.finished = true;
        if (read.joining) {
            // The decoder joining the list now takes this chunk too.
            if (--read.pending == 0) read.done.notify_all();
            return;
        }
        read.joining = true;
    }
    for (;;) {
        Slot<T>* slot;
        {
            std::lock_guard lock(read.mutex);
            if (read.failure || read.joined == read.slots.size() || !read.slots[read.joined].finished) {
                read.joining = false;
                if (--read.pending == 0) read.done.notify_all();
                return;
            }
            slot = &read.slots[read.joined++];
            if (slot->failure) {
                read.failure = slot->failure;
                continue;
            }
        }
        if (read.rows.size() + slot->rows.size() > read.rows.capacity())
            reserve(read.rows, std::max(read.rows.size() + slot->rows.size(), 2 * read.rows.capacity()));
        std::move(slot->rows.begin(), slot->rows.end(), std::back_inserter(read.rows));
        std::vector<T>().swap(slot->rows);
    }
}

} // namespace sorvalind
