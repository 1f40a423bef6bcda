#include "downloads/transfer_folder.h"

#include <cerrno>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace sorvalind {
namespace {

[[noreturn]] void fail(const std::filesystem::path& folder, int code, const char* what) {
    throw std::filesystem::filesystem_error(what, folder, std::error_code(code, std::generic_category()));
}

} // namespace

void prepareTransferFolder(const std::filesystem::path& folder) {
    if (folder.has_parent_path()) std::filesystem::create_directories(folder.parent_path());
    if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST)
        fail(folder, errno, "cannot create the folder");

    struct stat info {};
    if (::lstat(folder.c_str(), &info) != 0) fail(folder, errno, "cannot read the folder");
    if (!S_ISDIR(info.st_mode)) fail(folder, ENOTDIR, "not a private folder");
    if (info.st_uid != ::geteuid()) fail(folder, EACCES, "the folder belongs to another user");
    if ((info.st_mode & 077) != 0 && ::chmod(folder.c_str(), 0700) != 0)
        fail(folder, errno, "cannot make the folder private");
}

} // namespace sorvalind
