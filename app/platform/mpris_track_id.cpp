#include "platform/mpris_track_id.h"

namespace sorvalind {

QString mprisTrackPath(std::string_view entryID) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    QString path = QStringLiteral("/nl/pwelkin/sorvalind/track/");
    if (entryID.empty()) return path + QLatin1Char('E');
    for (char c : entryID) {
        auto byte = static_cast<unsigned char>(c);
        bool plain =
            (byte >= 'A' && byte <= 'Z') || (byte >= 'a' && byte <= 'z') || (byte >= '0' && byte <= '9');
        if (plain) {
            path += QLatin1Char(c);
        } else {
            path += QLatin1Char('_');
            path += QLatin1Char(kHex[byte >> 4]);
            path += QLatin1Char(kHex[byte & 15]);
        }
    }
    return path;
}

} // namespace sorvalind
