#pragma once
// Stands in for code signatures: the genuine credential helper and the
// programs it may serve are named by the SHA-256 of their executables in a
// trust manifest written at build time beside the helper:
//
//   {"helper": "<sha256 hex>", "parents": ["<sha256 hex>", ...]}
//
// A file counts only while it, and the folder holding it, belong to root or
// to the running user and are writable by nobody else.
// Any thread; nothing here throws but std::bad_alloc.

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <sys/stat.h>
#include <sys/types.h>

namespace sorvalind {

struct TrustManifest {
    std::string helper;               // digest of the helper program
    std::vector<std::string> parents; // digests of the programs it serves
};

inline constexpr std::string_view credentialHelperFileName = "sorvalind-credential-helper";
inline constexpr std::string_view trustManifestFileName = "sorvalind-credential-helper.trust";

// Owned by root or the running user, and not writable by group or others.
bool hasTrustedOwnership(const struct stat& info) noexcept;

// The regular file and its folder both have trusted ownership.
bool isTrustedFile(const std::filesystem::path& file) noexcept;

// The manifest in `folder`, or none when it is missing, not trusted or not
// well formed.
std::optional<TrustManifest> loadTrustManifest(const std::filesystem::path& folder);

// The SHA-256 (lowercase hex) of the bytes behind an open descriptor or a
// path; none when they cannot be read.
std::optional<std::string> executableDigest(int fd);
std::optional<std::string> executableDigest(const std::filesystem::path& path);

// Where the running program's executable lives; none when unknown.
std::optional<std::filesystem::path> ownExecutable();

} // namespace sorvalind
