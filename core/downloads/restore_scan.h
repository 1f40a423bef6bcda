#pragma once
// The blocking half of restoring the download manager, run off the main
// actor: which stored records still have a file (moving records onto the
// current root when the folder moved), which rows to delete, what is left on
// disk by a crash, and the stored queue decoded job by job.
// Worker threads only (it calls the repository and the file system).
// Never throws: every failure is dropped as described.

#include "downloads/download_job.h"
#include "library/download_record.h"
#include "store/library_repository.h"

#include <filesystem>
#include <optional>
#include <vector>

namespace sorvalind {

struct RestoreScan {
    // The records whose file exists, in the store's order.
    std::vector<DownloadRecord> records;
    // The stored queue, without the jobs that did not decode; none when there
    // is no stored queue or it is not a JSON array.
    std::optional<std::vector<DownloadJob>> jobs;
};

// Only when the records could be read (a failed read never counts as "no
// records") and `cleanFiles` is set (no worker runs) are files in `root`
// that no record names and ".part" files in `transferFolder` deleted.
RestoreScan scanForRestore(LibraryRepository& repository, const std::filesystem::path& root,
                           const std::filesystem::path& transferFolder, const std::string& stateKey,
                           bool cleanFiles);

} // namespace sorvalind
