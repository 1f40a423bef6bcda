#pragma once
// The disk tier of the artwork cache: one file per cover-art identifier,
// directly in the root folder, named by the lowercase hexadecimal SHA-256 of
// the identifier's UTF-8 bytes, holding the server's bytes unchanged. Files
// never expire; one that fails validation when read is deleted.
//
// Writes are atomic: the bytes go to a private temporary name in the same
// folder and are renamed into place, so a reader never sees half a file.
//
// Any thread; calls for different identifiers may run at once. Nothing here
// throws but std::bad_alloc: failures read as a miss or a failed write.

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace sorvalind {

class ArtworkFolder {
public:
    using Bytes = std::shared_ptr<const std::vector<std::uint8_t>>;
    using Validator = std::function<bool(std::span<const std::uint8_t>)>;

    explicit ArtworkFolder(std::filesystem::path root) : root_(std::move(root)) {}

    const std::filesystem::path& root() const noexcept { return root_; }
    std::filesystem::path fileFor(const std::string& id) const;

    // The file's bytes when it exists, is at most `maxBytes` long and passes
    // `valid`; a file that is too long or fails is removed. Null otherwise.
    Bytes read(const std::string& id, std::size_t maxBytes, const Validator& valid) const;

    // Creates the folder when needed and stores the bytes; false on failure.
    bool write(const std::string& id, std::span<const std::uint8_t> bytes) const;

private:
    std::filesystem::path root_;
};

} // namespace sorvalind
