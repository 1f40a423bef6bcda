#pragma once
// A local file as a byte source: a downloaded song. Reads may come from one
// thread at a time. The constructor and read() throw
// std::filesystem::filesystem_error.

#include "platform/ffmpeg/byte_source.h"

#include <filesystem>

namespace sorvalind {

class FileByteSource : public ByteSource {
public:
    explicit FileByteSource(const std::filesystem::path& path);
    ~FileByteSource() override;
    FileByteSource(const FileByteSource&) = delete;
    FileByteSource& operator=(const FileByteSource&) = delete;

    std::int64_t size() const override { return size_; }
    // A negative position reads from the start.
    std::size_t read(std::int64_t position, std::span<std::byte> into) override;

private:
    std::filesystem::path path_;
    int descriptor_ = -1;
    std::int64_t size_ = 0;
};

} // namespace sorvalind
