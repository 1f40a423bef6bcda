#include "playback/queue_state.h"

#include "library/json_element.h"

#include <algorithm>
#include <limits>
#include <unordered_map>

namespace sorvalind {
namespace {

using Entries = std::vector<QueueEntry>;

Entries::iterator findIn(Entries& entries, const std::string& id) {
    return std::find_if(entries.begin(), entries.end(),
                        [&](const QueueEntry& entry) { return entry.id == id; });
}

Entries makeEntries(std::vector<Song>&& songs) {
    Entries entries;
    entries.reserve(songs.size());
    for (Song& song : songs)
        entries.emplace_back(std::move(song));
    return entries;
}

std::vector<std::string> identifiers(const Entries& entries) {
    std::vector<std::string> ids;
    ids.reserve(entries.size());
    for (const QueueEntry& entry : entries)
        ids.push_back(entry.id);
    return ids;
}

nlohmann::json encodeEntries(const Entries& entries, const char* key) {
    nlohmann::json array = nlohmann::json::array();
    for (std::size_t index = 0; index < entries.size(); ++index) {
        try {
            array.push_back(entries[index].encode());
        } catch (const EncodingError& error) {
            throw error.within("[" + std::to_string(index) + "]").within(key);
        }
    }
    return array;
}

template <class T, class DecodeElement>
std::vector<T> decodeArray(const JSONElement& object, const char* key, DecodeElement decodeElement) {
    using namespace json_element;
    return withinKey(key, [&] {
        JSONElement array = requiredMember(object, key);
        if (array.type() != Type::ARRAY)
            throw DecodingError("", std::string("expected a list, found ") + typeName(array));
        return decodeElements<T>(array, decodeElement);
    });
}

} // namespace

std::vector<QueueEntry> QueueState::upcoming() const {
    Entries entries = manual;
    entries.insert(entries.end(), context.begin(), context.end());
    return entries;
}

void QueueState::replace(std::vector<Song> songs, const std::optional<std::string>& startingAt,
                         std::optional<std::int64_t> startingIndex, const ShuffleSource& random) {
    std::int64_t start = 0;
    if (startingIndex) {
        start = *startingIndex;
    } else if (startingAt) {
        auto found = std::find_if(songs.begin(), songs.end(),
                                  [&](const Song& song) { return song.id == *startingAt; });
        if (found != songs.end()) start = found - songs.begin();
    }
    const auto count = static_cast<std::int64_t>(songs.size());
    start = std::clamp<std::int64_t>(start, 0, std::max<std::int64_t>(count - 1, 0));

    manual.clear();
    if (songs.empty()) {
        current.reset();
        context.clear();
        history.clear();
        originalOrder.clear();
        return;
    }
    Entries entries = makeEntries(std::move(songs));
    originalOrder = identifiers(entries);
    auto startAt = entries.begin() + start;
    history.assign(std::make_move_iterator(entries.begin()), std::make_move_iterator(startAt));
    current = std::move(*startAt);
    context.assign(std::make_move_iterator(startAt + 1), std::make_move_iterator(entries.end()));
    if (shuffle) shuffleInPlace(context, random);
}

void QueueState::replaceShuffled(std::vector<Song> songs, const ShuffleSource& random) {
    Entries entries = makeEntries(std::move(songs));
    originalOrder = identifiers(entries);
    manual.clear();
    history.clear();
    shuffle = true;
    context = std::move(entries);
    shuffleInPlace(context, random);
    if (context.empty()) {
        current.reset();
    } else {
        current = std::move(context.back());
        context.pop_back();
    }
}

void QueueState::toggleShuffle(const ShuffleSource& random) {
    shuffle = !shuffle;
    if (shuffle) {
        shuffleInPlace(context, random);
        return;
    }
    std::unordered_map<std::string, std::size_t> place;
    for (std::size_t index = 0; index < originalOrder.size(); ++index)
        place.try_emplace(originalOrder[index], index);
    auto rank = [&](const QueueEntry& entry) {
        auto found = place.find(entry.id);
        return found == place.end() ? std::numeric_limits<std::size_t>::max() : found->second;
    };
    std::stable_sort(context.begin(), context.end(),
                     [&](const QueueEntry& a, const QueueEntry& b) { return rank(a) < rank(b); });
}

std::optional<QueueEntry> QueueState::advance() {
    if (repeatMode == RepeatMode::one) return current;
    if (current) history.push_back(std::move(*current));
    current.reset();
    if (!manual.empty()) {
        current = std::move(manual.front());
        manual.erase(manual.begin());
    } else if (!context.empty()) {
        current = std::move(context.front());
        context.erase(context.begin());
    } else if (repeatMode == RepeatMode::all && !history.empty()) {
        context = std::move(history);
        history.clear();
        current = std::move(context.front());
        context.erase(context.begin());
    }
    return current;
}

void QueueState::previous() {
    if (history.empty()) return;
    QueueEntry back = std::move(history.back());
    history.pop_back();
    if (current) context.insert(context.begin(), std::move(*current));
    current = std::move(back);
}

void QueueState::remove(const std::string& id) {
    auto matches = [&](const QueueEntry& entry) { return entry.id == id; };
    std::erase_if(manual, matches);
    std::erase_if(context, matches);
}

void QueueState::move(const std::string& id, const std::string& before) {
    if (id == before) return;
    if (findIn(manual, before) == manual.end() && findIn(context, before) == context.end()) return;
    Entries* from = &manual;
    auto moved = findIn(manual, id);
    if (moved == manual.end()) {
        from = &context;
        moved = findIn(context, id);
        if (moved == context.end()) return;
    }
    QueueEntry entry = std::move(*moved);
    from->erase(moved);
    // Found again after the erase, which may have shifted the target.
    auto target = findIn(manual, before);
    if (target != manual.end()) {
        manual.insert(target, std::move(entry));
    } else {
        context.insert(findIn(context, before), std::move(entry));
    }
}

bool QueueState::enqueue(const std::vector<Song>& songs, bool next) {
    Entries entries = makeEntries(std::vector<Song>(songs));
    auto at = next ? manual.begin() : manual.end();
    manual.insert(at, std::make_move_iterator(entries.begin()), std::make_move_iterator(entries.end()));
    if (current) return false;
    const RepeatMode kept = repeatMode;
    if (repeatMode == RepeatMode::one) repeatMode = RepeatMode::off;
    advance();
    repeatMode = kept;
    return true;
}

void QueueState::cycleRepeat() noexcept {
    switch (repeatMode) {
    case RepeatMode::off:
        repeatMode = RepeatMode::all;
        break;
    case RepeatMode::all:
        repeatMode = RepeatMode::one;
        break;
    case RepeatMode::one:
        repeatMode = RepeatMode::off;
        break;
    }
}

bool QueueState::updateSong(const Song& song) {
    bool changed = false;
    auto update = [&](QueueEntry& entry) {
        if (entry.song.id == song.id && !(entry.song == song)) {
            entry.song = song;
            changed = true;
        }
    };
    if (current) update(*current);
    for (QueueEntry& entry : manual)
        update(entry);
    for (QueueEntry& entry : context)
        update(entry);
    return changed;
}

QueueState QueueState::decode(const JSONElement& json) {
    using namespace json_element;
    if (json.type() != Type::OBJECT)
        throw DecodingError("", std::string("expected an object, found ") + typeName(json));
    QueueState queue;
    auto found = member(json, "current");
    if (found && found->type() != Type::NULL_VALUE)
        queue.current = withinKey("current", [&] { return QueueEntry::decode(*found); });
    auto entry = [](const JSONElement& element) { return QueueEntry::decode(element); };
    queue.manual = decodeArray<QueueEntry>(json, "manual", entry);
    queue.context = decodeArray<QueueEntry>(json, "context", entry);
    queue.history = decodeArray<QueueEntry>(json, "history", entry);
    queue.originalOrder = decodeArray<std::string>(json, "originalOrder", decodeUUIDText);
    queue.repeatMode = withinKey("repeatMode", [&] {
        JSONElement raw = requiredMember(json, "repeatMode");
        if (raw.type() != Type::STRING)
            throw DecodingError("", std::string("expected a repeat mode string, found ") + typeName(raw));
        auto mode = RepeatMode::fromRaw(std::string(stringOf(raw)));
        if (!mode) throw DecodingError("", "unknown repeat mode \"" + std::string(stringOf(raw)) + "\"");
        return *mode;
    });
    queue.shuffle = withinKey("shuffle", [&] {
        JSONElement flag = requiredMember(json, "shuffle");
        if (flag.type() != Type::BOOL)
            throw DecodingError("", std::string("expected true or false, found ") + typeName(flag));
        return boolOf(flag);
    });
    return queue;
}

nlohmann::json QueueState::encode() const {
    nlohmann::json json = nlohmann::json::object();
    if (current) {
        try {
            json["current"] = current->encode();
        } catch (const EncodingError& error) {
            throw error.within("current");
        }
    }
    json["manual"] = encodeEntries(manual, "manual");
    json["context"] = encodeEntries(context, "context");
    json["history"] = encodeEntries(history, "history");
    json["originalOrder"] = originalOrder;
    json["repeatMode"] = std::string(repeatMode.rawValue());
    json["shuffle"] = shuffle;
    return json;
}

} // namespace sorvalind
