#include "downloads/download_verification.h"

#include "audio/pcm_decoder.h"
#include "downloads/file_failure.h"
#include "errors/api_error.h"
#include "errors/audio_failure.h"
#include "platform/crypto/digest.h"
#include "platform/text/text.h"
#include "runtime/cancellation.h"

#include <array>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>
#include <utility>

namespace sorvalind {
namespace {

constexpr double kVerificationRate = 48000;
constexpr std::uint32_t kFramesPerRead = 8192;

class Descriptor {
public:
    Descriptor(const std::filesystem::path& path, int flags, mode_t mode = 0) : path_(path) {
        fd_ = ::open(path.c_str(), flags | O_CLOEXEC, mode);
        if (fd_ < 0) throwFileFailure(path, errno, "cannot open the file");
    }
    ~Descriptor() {
        if (fd_ >= 0) ::close(fd_);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const noexcept { return fd_; }
    void sync() const {
        if (::fsync(fd_) != 0) throwFileFailure(path_, errno, "cannot flush the file");
    }
    void close() {
        const int fd = std::exchange(fd_, -1);
        if (::close(fd) != 0) throwFileFailure(path_, errno, "cannot write the file");
    }

private:
    std::filesystem::path path_;
    int fd_ = -1;
};

void copyFlushed(const std::filesystem::path& from, const std::filesystem::path& to) {
    Descriptor source(from, O_RDONLY);
    Descriptor target(to, O_WRONLY | O_CREAT | O_EXCL, 0600);
    std::array<char, 1 << 16> buffer{};
    for (;;) {
        const ssize_t n = ::read(source.get(), buffer.data(), buffer.size());
        if (n < 0) {
            if (errno == EINTR) continue;
            throwFileFailure(from, errno, "cannot read the file");
        }
        if (n == 0) break;
        std::size_t done = 0;
        while (done < static_cast<std::size_t>(n)) {
            const ssize_t w = ::write(target.get(), buffer.data() + done, static_cast<std::size_t>(n) - done);
            if (w < 0) {
                if (errno == EINTR) continue;
                throwFileFailure(to, errno, "cannot write the file");
            }
            done += static_cast<std::size_t>(w);
        }
    }
    target.sync();
    target.close();
}

void syncFolder(const std::filesystem::path& folder) {
    Descriptor directory(folder, O_RDONLY | O_DIRECTORY);
    directory.sync();
}

bool allAlphanumeric(const std::string& text) {
    if (text.empty()) return true;
    auto runs = text::alphanumericRuns(text);
    return runs.size() == 1 && runs.front() == text;
}

std::size_t characterCount(const std::string& text) {
    std::size_t count = 0;
    for (unsigned char c : text)
        if ((c & 0xC0) != 0x80) ++count;
    return count;
}

} // namespace

std::optional<AudioCodec> expectedCodec(std::string_view suffix) {
    static const std::array<std::pair<std::string_view, AudioCodec>, 7> table{{
        {"flac", AudioCodec::flac},
        {"mp3", AudioCodec::mpegLayer3},
        {"m4a", AudioCodec::mpeg4AAC},
        {"aac", AudioCodec::mpeg4AAC},
        {"alac", AudioCodec::appleLossless},
        {"wav", AudioCodec::linearPCM},
        {"aiff", AudioCodec::linearPCM},
    }};
    const std::string lower = text::toLower(suffix);
    for (const auto& [name, codec] : table)
        if (name == lower) return codec;
    return std::nullopt;
}

void checkSourceFormat(const AudioSourceFormat& format, const Song& song, DownloadQuality quality) {
    if (quality == DownloadQuality::original && format.codec == AudioCodec::flac) {
        if (song.samplingRate && *song.samplingRate != static_cast<std::int64_t>(format.sampleRate))
            throw AudioFailure::invalidResponse();
        if (song.bitDepth && *song.bitDepth != static_cast<std::int64_t>(format.bitsPerChannel))
            throw AudioFailure::invalidResponse();
    }
    if (quality != DownloadQuality::original && format.codec != AudioCodec::mpegLayer3)
        throw APIError::unavailable(FeatureFailure::mp3Unavailable);
    if (quality != DownloadQuality::original) return;

    const std::string suffix = song.suffix.value_or("");
    const auto expected = expectedCodec(suffix);
    if (!expected || *expected == format.codec) return;
    // Servers list Apple Lossless in an MPEG-4 file under "m4a" in any case.
    if (text::toLower(suffix) == "m4a" && format.codec == AudioCodec::appleLossless) return;
    throw APIError::unavailable(FeatureFailure::originalCodecChanged);
}

std::string storedExtension(const Song& song, DownloadQuality quality) {
    if (quality != DownloadQuality::original) return "mp3";
    std::string extension = song.suffix.value_or("audio");
    if (characterCount(extension) > 10 || !allAlphanumeric(extension)) extension = "audio";
    return extension;
}

void moveIntoPlace(const std::filesystem::path& from, const std::filesystem::path& to) {
    if (::rename(from.c_str(), to.c_str()) == 0) {
        syncFolder(to.parent_path());
        return;
    }
    if (errno != EXDEV) throwFileFailure(to, errno, "cannot move the file");
    // Another file system: copy beside the destination, flush, then rename so
    // that the destination name only ever holds a whole file.
    const auto staging = to.parent_path() / ("." + to.filename().string() + ".copy");
    try {
        copyFlushed(from, staging);
        if (::rename(staging.c_str(), to.c_str()) != 0) throwFileFailure(to, errno, "cannot move the file");
    } catch (...) {
        ::unlink(staging.c_str());
        throw;
    }
    syncFolder(to.parent_path());
    ::unlink(from.c_str());
}

DownloadRecord verifyAndFinalize(const std::filesystem::path& temporary, const Song& song,
                                 DownloadQuality quality, const std::filesystem::path& root,
                                 std::stop_token stop, const WallClock& wallClock) {
    throwIfCancelled(stop);
    struct stat info {};
    if (::stat(temporary.c_str(), &info) != 0) throwFileFailure(temporary, errno, "cannot read the file");
    const std::int64_t size = static_cast<std::int64_t>(info.st_size);

    if (quality == DownloadQuality::original && song.size && *song.size >= 1 && *song.size != size)
        throw AudioFailure::invalidResponse();

    PCMDecoder decoder(temporary, kVerificationRate);
    checkSourceFormat(decoder.sourceFormat(), song, quality);

    // Only a running count is kept, so memory stays flat for long files.
    std::int64_t frames = 0;
    while (auto buffer = decoder.read(kFramesPerRead)) {
        throwIfCancelled(stop);
        frames += static_cast<std::int64_t>(buffer->frameLength());
    }
    throwIfCancelled(stop);
    if (frames < 1) throw AudioFailure::invalidResponse();

    const double seconds = static_cast<double>(frames) / decoder.outputSampleRate();
    if (song.duration && *song.duration > 2 && std::abs(seconds - *song.duration) > 1.5)
        throw APIError::unavailable(FeatureFailure::incompleteDownload);
    if (auto kilobits = quality.bitrate(); kilobits && seconds > 2) {
        const double bitsPerSecond = static_cast<double>(size) * 8 / seconds;
        if (bitsPerSecond > static_cast<double>(*kilobits) * 1150)
            throw APIError::unavailable(FeatureFailure::bitrateExceeded);
    }

    std::filesystem::create_directories(root);
    std::string name = randomUUID();
    if (const auto extension = storedExtension(song, quality); !extension.empty()) name += "." + extension;
    const auto destination = root / name;
    moveIntoPlace(temporary, destination);

    DownloadRecord record;
    record.song = song;
    record.quality = quality;
    record.path = destination.string();
    record.bytes = size;
    record.completedAt = wallClock.now();
    return record;
}

} // namespace sorvalind
