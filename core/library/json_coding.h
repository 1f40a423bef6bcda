#pragma once
// The typed failures of the library records' JSON coding, and the text-level
// entry points that the store, the saved queue and the REST client use.
// Records decode from a parsed element (simdjson's DOM, which validates the
// whole text, UTF-8 included, before anything is read) and encode to a
// nlohmann value written with sorted keys.
// Any thread; everything here is pure.

#include <nlohmann/json.hpp>

#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>

namespace simdjson::dom {
class element;
class parser;
} // namespace simdjson::dom

namespace sorvalind {

// One value of a parsed document; valid while its JSONDocument lives.
using JSONElement = simdjson::dom::element;

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

// One parsed JSON document. Its elements stay valid while it lives; it may
// move to another thread but is used by one at a time.
class JSONDocument {
public:
    // Parses `text`; malformed text throws DecodingError.
    explicit JSONDocument(std::string_view text);
    ~JSONDocument();
    JSONDocument(JSONDocument&& other) noexcept;
    JSONDocument& operator=(JSONDocument&& other) noexcept;

    const JSONElement& root() const noexcept { return *root_; }

private:
    std::unique_ptr<simdjson::dom::parser> parser_;
    std::unique_ptr<JSONElement> root_;
};

// Writes a JSON value compactly with its object keys sorted, so equal values
// give identical text. Throws EncodingError for text that is not UTF-8.
std::string dumpJSONText(const nlohmann::json& value);

// Runs `decode` and puts `key` in front of the path of a DecodingError it
// throws, so a failure names where it happened.
template <class Decode> decltype(auto) withinKey(std::string_view key, Decode&& decode) {
    try {
        return decode();
    } catch (const DecodingError& error) {
        throw error.within(key);
    }
}

// Decodes a record (any type with a static `decode(const JSONElement&)`)
// from JSON text. Throws DecodingError.
template <class Record> Record fromJSONText(std::string_view text) {
    JSONDocument document(text);
    return Record::decode(document.root());
}

// The same for a value already held as nlohmann JSON (tests, settings):
// written out and decoded by the one decoder, so the rules are the same.
template <class Record> Record fromJSON(const nlohmann::json& value) {
    std::string text;
    try {
        text = value.dump();
    } catch (const nlohmann::json::type_error& error) {
        throw DecodingError("", error.what());
    }
    return fromJSONText<Record>(text);
}

// Encodes a record (any type with `encode() const`) as sorted-key JSON text.
// Throws EncodingError.
template <class Record> std::string toJSONText(const Record& record) {
    return dumpJSONText(record.encode());
}

} // namespace sorvalind
