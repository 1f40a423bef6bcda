#pragma once
// The responsiveness probe's log file: opened once, emptied, readable and
// writable by the user alone, whatever file was there before. Only absolute
// paths are taken. Lines are appended by the probe's writer queue.
//
// open() on the main thread at start; append() on the writer queue.

#include <optional>
#include <string>
#include <string_view>

namespace sorvalind {

class ProbeLogFile {
public:
    // The environment variable that switches the probe on.
    static constexpr const char* variable = "SORVALIND_UI_PROBE_LOG";

    // The file at `path`, created or emptied with the permissions 0600; none
    // for a path that is not absolute or a file that cannot be opened, or
    // whose permissions cannot be set (no probe then).
    static std::optional<ProbeLogFile> open(std::string_view path);

    ProbeLogFile(ProbeLogFile&& other) noexcept;
    ProbeLogFile& operator=(ProbeLogFile&& other) noexcept;
    ~ProbeLogFile();

    // Writes `line` and a line feed; a failed write is dropped.
    void append(const std::string& line) noexcept;

private:
    explicit ProbeLogFile(int descriptor) noexcept : descriptor_(descriptor) {}
    int descriptor_ = -1;
};

} // namespace sorvalind
