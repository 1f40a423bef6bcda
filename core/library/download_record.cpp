#include "library/download_record.h"

#include "library/json_fields.h"

namespace sorvalind {
namespace {

using json_fields::field;

constexpr auto kDownloadRecordFields =
    std::make_tuple(field("song", &DownloadRecord::song), field("quality", &DownloadRecord::quality),
                    field("path", &DownloadRecord::path), field("bytes", &DownloadRecord::bytes),
                    field("completedAt", &DownloadRecord::completedAt));

} // namespace

std::string DownloadRecord::id() const {
    return song.id + ":" + std::string(quality.rawValue());
}

DownloadRecord DownloadRecord::decode(const JSONElement& json) {
    return json_fields::decodeObject(json, kDownloadRecordFields);
}

nlohmann::json DownloadRecord::encode() const {
    return json_fields::encodeObject(*this, kDownloadRecordFields);
}

} // namespace sorvalind
