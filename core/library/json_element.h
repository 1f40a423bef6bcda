#pragma once
// Reading a parsed JSON element (simdjson's DOM) once its type is known:
// the accessors the records and the REST client share. Each one asks for a
// type the caller has checked (or, for member(), an object); on another
// type it gives an empty value rather than throwing.
// Any thread; the element's document must live.

#include "library/json_coding.h"

#include <simdjson.h>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace sorvalind::json_element {

using Type = simdjson::dom::element_type;

// The JSON type's name for messages: "object", "array", "string",
// "number", "boolean" or "null".
inline const char* typeName(const JSONElement& value) noexcept {
    switch (value.type()) {
    case Type::ARRAY:
        return "array";
    case Type::OBJECT:
        return "object";
    case Type::INT64:
    case Type::UINT64:
    case Type::DOUBLE:
        return "number";
    case Type::STRING:
        return "string";
    case Type::BOOL:
        return "boolean";
    case Type::NULL_VALUE:
        return "null";
    }
    return "value";
}

inline bool isNumber(const JSONElement& value) noexcept {
    Type type = value.type();
    return type == Type::INT64 || type == Type::UINT64 || type == Type::DOUBLE;
}

inline simdjson::dom::object objectOf(const JSONElement& value) noexcept {
    simdjson::dom::object object;
    if (value.get(object)) return simdjson::dom::object{};
    return object;
}

inline simdjson::dom::array arrayOf(const JSONElement& value) noexcept {
    simdjson::dom::array array;
    if (value.get(array)) return simdjson::dom::array{};
    return array;
}

inline std::string_view stringOf(const JSONElement& value) noexcept {
    std::string_view text;
    if (value.get(text)) return std::string_view{};
    return text;
}

inline bool boolOf(const JSONElement& value) noexcept {
    bool flag = false;
    if (value.get(flag)) return bool{};
    return flag;
}

inline std::int64_t int64Of(const JSONElement& value) noexcept {
    std::int64_t number = 0;
    if (value.get(number)) return std::int64_t{};
    return number;
}

// Any JSON number as a double (integers convert).
inline double numberOf(const JSONElement& value) noexcept {
    double number = 0;
    if (value.get(number)) return double{};
    return number;
}

// The member `key` of an object, or none when it is absent or `value` is no
// object. A present null is returned as it is.
inline std::optional<JSONElement> member(const JSONElement& value, std::string_view key) noexcept {
    JSONElement found;
    if (objectOf(value).at_key(key).get(found)) return std::nullopt;
    return found;
}

// Decodes each element of an array with `decode`; a failure names the
// element's index ("[3]") in its path. `array` must be an array.
template <class T, class Decode> std::vector<T> decodeElements(const JSONElement& array, Decode&& decode) {
    simdjson::dom::array elements = arrayOf(array);
    std::vector<T> values;
    values.reserve(elements.size());
    std::size_t index = 0;
    for (JSONElement element : elements) {
        try {
            values.push_back(decode(element));
        } catch (const DecodingError& error) {
            throw error.within("[" + std::to_string(index) + "]");
        }
        ++index;
    }
    return values;
}

// For coders written by hand: the member `key` of an object, which must be
// present and not null (DecodingError otherwise, with an empty path: wrap
// the call in withinKey).
inline JSONElement requiredMember(const JSONElement& object, std::string_view key) {
    if (object.type() != Type::OBJECT)
        throw DecodingError("", std::string("expected an object, found ") + typeName(object));
    auto found = member(object, key);
    if (!found) throw DecodingError("", "required key is missing");
    if (found->type() == Type::NULL_VALUE) throw DecodingError("", "required key is null");
    return *found;
}

} // namespace sorvalind::json_element
