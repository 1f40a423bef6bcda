#include "store/library_writers.h"

#include "store/position_text.h"

namespace sorvalind {

void putState(LibraryConnection& connection, const std::string& key, const std::string& value) {
    connection.run("INSERT INTO state VALUES(?,?) ON CONFLICT(key) DO UPDATE SET value=excluded.value",
                   {key, value});
}

std::optional<std::string> LibraryRepository::state(const std::string& key) {
    // A failing read throws rather than answering "absent": a caller that
    // took it for absent would start over and overwrite what is stored.
    return perform([&](LibraryConnection& connection) {
        return connection.text("SELECT value FROM state WHERE key=?", {key});
    });
}

void LibraryRepository::setState(const std::string& key, const std::string& value) {
    perform([&](LibraryConnection& connection) { putState(connection, key, value); });
}

void LibraryRepository::savePlayback(const std::optional<std::string>& queueJSON, double position) {
    perform([&](LibraryConnection& connection) {
        if (queueJSON) putState(connection, "queue", *queueJSON);
        putState(connection, "position", positionText(position));
    });
}

std::vector<DownloadRecord> LibraryRepository::downloads() {
    return perform([](LibraryConnection& connection) {
        return connection.records<DownloadRecord>("SELECT json FROM downloads");
    });
}

void LibraryRepository::saveDownload(const DownloadRecord& record) {
    perform([&](LibraryConnection& connection) {
        auto json = toJSONText(record);
        connection.run("INSERT OR REPLACE INTO downloads VALUES(?,?,?,?)",
                       {record.id(), record.song.id, record.quality.rawValue(), json});
    });
}

void LibraryRepository::removeDownload(const std::string& id) {
    perform([&](LibraryConnection& connection) { connection.run("DELETE FROM downloads WHERE id=?", {id}); });
}

} // namespace sorvalind
