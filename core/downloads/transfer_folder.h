#pragma once
// The private folder where transfers write their ".part" files: the
// per-server "Transfers" folder, never a shared temporary folder where
// another user could plant or read files. Any thread.

#include <filesystem>

namespace sorvalind {

// Creates the folder (and missing parents) with mode 0700 and checks that it
// is a real directory, not a link, owned by this user; an existing folder
// with wider permissions is narrowed to 0700. Throws
// std::filesystem::filesystem_error when it cannot be made or fails a check
// (EACCES for a folder of another owner, ENOTDIR for a link or a file).
void prepareTransferFolder(const std::filesystem::path& folder);

} // namespace sorvalind
