#pragma once
// A random-access byte source under the decoders: a local file or a ranged
// HTTP reader. Reads block their calling thread. One thread reads a source at
// a time; an implementation may allow cancel-like calls from others. Reads
// throw the source's own failures (file errors, URLError, AudioFailure), which
// the decoders pass on unchanged.

#include <cstddef>
#include <cstdint>
#include <span>

namespace sorvalind {

class ByteSource {
public:
    virtual ~ByteSource() = default;

    // Learns the size if not known yet; reads return nothing before it.
    virtual void prepare() {}
    // The total length in bytes; 0 until known.
    virtual std::int64_t size() const = 0;
    // Copies up to into.size() bytes starting at `position` and returns how
    // many it copied: fewer at the end, 0 at or past it.
    virtual std::size_t read(std::int64_t position, std::span<std::byte> into) = 0;
};

} // namespace sorvalind
