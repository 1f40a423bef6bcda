#include "library/json_coding.h"

#include <simdjson.h>

#include <utility>

namespace sorvalind {
namespace {

std::string describe(const char* action, const std::string& path, const std::string& problem) {
    std::string text = std::string("Cannot ") + action + " JSON";
    if (!path.empty()) text += " at " + path;
    return text + ": " + problem;
}

// Keys nest with ".", list positions attach directly: "song[3].title".
std::string joinPath(std::string_view key, const std::string& inner) {
    std::string path(key);
    if (!inner.empty() && inner.front() != '[') path += '.';
    return path + inner;
}

// A parser's buffers grow to the largest document it has read. Each thread
// keeps one spare for the next document (the store decodes one row after
// another), but not one grown by a large answer: that memory goes back.
constexpr std::size_t kKeptParserCapacity = 4u << 20;
thread_local std::unique_ptr<simdjson::dom::parser> spareParser;

std::unique_ptr<simdjson::dom::parser> takeParser() {
    if (spareParser) return std::move(spareParser);
    return std::make_unique<simdjson::dom::parser>();
}

void keepParser(std::unique_ptr<simdjson::dom::parser> parser) noexcept {
    if (parser && !spareParser && parser->capacity() <= kKeptParserCapacity) spareParser = std::move(parser);
}

} // namespace

DecodingError::DecodingError(std::string path, std::string problem)
    : std::runtime_error(describe("decode", path, problem)), path_(std::move(path)),
      problem_(std::move(problem)) {}

DecodingError DecodingError::within(std::string_view key) const {
    return {joinPath(key, path_), problem_};
}

EncodingError::EncodingError(std::string path, std::string problem)
    : std::runtime_error(describe("encode", path, problem)), path_(std::move(path)),
      problem_(std::move(problem)) {}

EncodingError EncodingError::within(std::string_view key) const {
    return {joinPath(key, path_), problem_};
}

JSONDocument::JSONDocument(std::string_view text) : parser_(takeParser()) {
    simdjson::dom::element root;
    if (auto error = parser_->parse(text.data(), text.size()).get(root)) {
        keepParser(std::move(parser_));
        throw DecodingError("", std::string("malformed JSON text (") + simdjson::error_message(error) + ")");
    }
    root_ = std::make_unique<JSONElement>(root);
}

JSONDocument::~JSONDocument() {
    keepParser(std::move(parser_));
}

JSONDocument::JSONDocument(JSONDocument&& other) noexcept = default;
JSONDocument& JSONDocument::operator=(JSONDocument&& other) noexcept {
    if (this != &other) {
        keepParser(std::move(parser_));
        parser_ = std::move(other.parser_);
        root_ = std::move(other.root_);
    }
    return *this;
}

std::string dumpJSONText(const nlohmann::json& value) {
    try {
        // nlohmann::json keeps object members in a sorted map, so dump() writes
        // the keys in sorted order.
        return value.dump();
    } catch (const nlohmann::json::type_error& error) {
        throw EncodingError("", error.what());
    }
}

} // namespace sorvalind
