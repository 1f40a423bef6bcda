#include "library/json_coding.h"

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

const nlohmann::json& requiredMember(const nlohmann::json& object, std::string_view key) {
    if (!object.is_object())
        throw DecodingError("", std::string("expected an object, found ") + object.type_name());
    auto found = object.find(key);
    if (found == object.end()) throw DecodingError("", "required key is missing");
    if (found->is_null()) throw DecodingError("", "required key is null");
    return *found;
}

nlohmann::json parseJSONText(std::string_view text) {
    try {
        return nlohmann::json::parse(text);
    } catch (const nlohmann::json::exception& error) {
        throw DecodingError("", std::string("malformed JSON text (") + error.what() + ")");
    }
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
