#pragma once
// The typed failures of the library records' JSON coding, and the text-level
// entry points that the store and the saved queue use.
// Any thread; everything here is pure.

#include <nlohmann/json.hpp>

#include <stdexcept>
#include <string>
#include <string_view>

namespace sorvalind {

// A JSON document that does not have the shape of the record asked for:
// malformed text, a missing or null required key, a value of the wrong JSON
// type, or any of these inside a nested element. `path()` names where
// ("song[3].artists[0].id"); it is empty when the document itself is at fault.
class DecodingError : public std::runtime_error {
public:
    DecodingError(std::string path, std::string problem);

    const std::string& path() const noexcept { return path_; }
    const std::string& problem() const noexcept { return problem_; }

    // The same failure seen from one level further out: `key` is the object
    // key or "[index]" under which the failing value sat.
    DecodingError within(std::string_view key) const;

private:
    std::string path_;
    std::string problem_;
};

// A value that JSON cannot carry (a non-finite number, text that is not
// valid UTF-8). `path()` names the field as for DecodingError.
class EncodingError : public std::runtime_error {
public:
    EncodingError(std::string path, std::string problem);

    const std::string& path() const noexcept { return path_; }
    const std::string& problem() const noexcept { return problem_; }
    EncodingError within(std::string_view key) const;

private:
    std::string path_;
    std::string problem_;
};

// Parses one JSON document; malformed text throws DecodingError.
nlohmann::json parseJSONText(std::string_view text);

// Writes a JSON value compactly with its object keys sorted, so equal values
// give identical text. Throws EncodingError for text that is not UTF-8.
std::string dumpJSONText(const nlohmann::json& value);

// For coders written by hand: the member `key` of a JSON object, which must
// be present and not null (DecodingError otherwise, with an empty path: wrap
// the call in withinKey).
const nlohmann::json& requiredMember(const nlohmann::json& object, std::string_view key);

// Runs `decode` and puts `key` in front of the path of a DecodingError it
// throws, so a failure names where it happened.
template <class Decode> decltype(auto) withinKey(std::string_view key, Decode&& decode) {
    try {
        return decode();
    } catch (const DecodingError& error) {
        throw error.within(key);
    }
}

// Decodes a record (any type with a static `decode(const nlohmann::json&)`)
// from JSON text. Throws DecodingError.
template <class Record> Record fromJSONText(std::string_view text) {
    return Record::decode(parseJSONText(text));
}

// Encodes a record (any type with `encode() const`) as sorted-key JSON text.
// Throws EncodingError.
template <class Record> std::string toJSONText(const Record& record) {
    return dumpJSONText(record.encode());
}

} // namespace sorvalind
