#include "downloads/download_job.h"

#include "library/json_fields.h"
#include "platform/text/byte_count.h"

namespace sorvalind {
namespace {

using json_fields::field;

constexpr auto kFields = std::make_tuple(
    field("song", &DownloadJob::song), field("quality", &DownloadJob::quality),
    field("progress", &DownloadJob::progress), field("status", &DownloadJob::status),
    field("receivedBytes", &DownloadJob::receivedBytes), field("expectedBytes", &DownloadJob::expectedBytes),
    field("resumeAutomatically", &DownloadJob::resumeAutomatically));

} // namespace

std::string DownloadJob::id() const {
    return song.id + ":" + std::string(quality.rawValue());
}

bool DownloadJob::isActive() const noexcept {
    return status == downloading || status == verifying;
}

std::string DownloadJob::statusDescription() const {
    if (status != downloading) return status;
    if (!receivedBytes || *receivedBytes < 1) return "Waiting for server\u2026";
    return "Downloading \u00b7 " + fileByteCountText(*receivedBytes, text::userLocaleId()) + " received";
}

DownloadJob DownloadJob::decode(const JSONElement& json) {
    return json_fields::decodeObject(json, kFields);
}

nlohmann::json DownloadJob::encode() const {
    return json_fields::encodeObject(*this, kFields);
}

} // namespace sorvalind
