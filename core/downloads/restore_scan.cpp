#include "downloads/restore_scan.h"

#include "library/json_coding.h"
#include "library/json_element.h"

#include <set>
#include <system_error>

namespace sorvalind {
namespace {

bool fileExists(const std::filesystem::path& path) {
    std::error_code error;
    return std::filesystem::is_regular_file(path, error);
}

// Deletes the regular files directly in `folder` that `keep` rejects.
template <class Keep> void deleteFiles(const std::filesystem::path& folder, Keep keep) {
    std::error_code error;
    std::filesystem::directory_iterator entries(folder, error);
    if (error) return;
    for (const auto& entry : entries) {
        std::error_code ignored;
        if (!entry.is_regular_file(ignored) || keep(entry.path())) continue;
        std::filesystem::remove(entry.path(), ignored);
    }
}

std::optional<std::vector<DownloadJob>> storedJobs(LibraryRepository& repository, const std::string& key) {
    std::optional<std::string> text;
    try {
        text = repository.state(key);
    } catch (...) {
        return std::nullopt;
    }
    if (!text) return std::nullopt;
    std::optional<JSONDocument> document;
    try {
        document.emplace(*text);
    } catch (...) {
        return std::nullopt;
    }
    const JSONElement& root = document->root();
    if (root.type() != json_element::Type::ARRAY) return std::nullopt;
    // One job that no longer decodes must not cost every other pending one.
    std::vector<DownloadJob> jobs;
    for (JSONElement element : json_element::arrayOf(root)) {
        try {
            jobs.push_back(DownloadJob::decode(element));
        } catch (...) {
        }
    }
    return jobs;
}

} // namespace

RestoreScan scanForRestore(LibraryRepository& repository, const std::filesystem::path& root,
                           const std::filesystem::path& transferFolder, const std::string& stateKey,
                           bool cleanFiles) {
    RestoreScan scan;
    std::optional<std::vector<DownloadRecord>> stored;
    try {
        stored = repository.downloads();
    } catch (...) {
    }
    if (stored) {
        std::set<std::string> kept;
        for (auto record : *stored) {
            if (!fileExists(record.path)) {
                const auto rebased = root / std::filesystem::path(record.path).filename();
                if (fileExists(rebased)) {
                    record.path = rebased.string();
                    try {
                        repository.saveDownload(record);
                    } catch (...) {
                        // Listed all the same; the next restore re-bases again.
                    }
                }
            }
            if (fileExists(record.path)) {
                kept.insert(record.id());
                scan.records.push_back(std::move(record));
            }
        }
        for (const auto& record : *stored) {
            if (kept.count(record.id())) continue;
            try {
                repository.removeDownload(record.id());
            } catch (...) {
            }
        }
        // A crash between the move into the root and the record leaves a file
        // nobody names; a crash mid-transfer leaves a ".part" file.
        if (!cleanFiles) {
            scan.jobs = storedJobs(repository, stateKey);
            return scan;
        }
        std::set<std::filesystem::path> named;
        for (const auto& record : scan.records)
            named.insert(std::filesystem::path(record.path).lexically_normal());
        deleteFiles(root, [&](const std::filesystem::path& path) {
            return named.count(path.lexically_normal()) > 0;
        });
        deleteFiles(transferFolder,
                    [](const std::filesystem::path& path) { return path.extension() != ".part"; });
    }
    scan.jobs = storedJobs(repository, stateKey);
    return scan;
}

} // namespace sorvalind
