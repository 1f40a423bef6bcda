#pragma once
// The one generic JSON coding behind every library record. A record lists its
// fields once, as (key, member) pairs in declaration order; decoding, encoding
// and hashing all walk that list. A plain member is a required key, a
// std::optional member an optional one (missing or null = absent, never
// written when absent).
//
// Value rules: text takes JSON strings only; integers take JSON numbers with
// an exact 64-bit signed value (3 and 3.0, never 3.7, "3" or true); doubles
// take any JSON number; Booleans only true and false; lists take arrays whose
// every element decodes; records take objects. Any failure fails the whole
// document, with the path of the offending value.
//
// Any thread. Decoding throws DecodingError, encoding EncodingError.

#include "library/download_quality.h"
#include "library/json_coding.h"
#include "library/reference_date.h"

#include <nlohmann/json.hpp>

#include <chrono>
#include <cmath>
#include <cstdint>
#include <functional>
#include <limits>
#include <optional>
#include <string>
#include <tuple>
#include <type_traits>
#include <vector>

namespace sorvalind::json_fields {

using Json = nlohmann::json;

[[noreturn]] inline void wrongType(const char* expected, const Json& value) {
    throw DecodingError("", std::string("expected ") + expected + ", found " + value.type_name());
}

template <class T>
struct Value; // decode(const Json&) -> T, encode(const T&) -> Json, hash(const T&) -> size_t

template <> struct Value<std::string> {
    static std::string decode(const Json& json) {
        if (!json.is_string()) wrongType("a string", json);
        return json.get_ref<const std::string&>();
    }
    static Json encode(const std::string& value) { return value; }
    static std::size_t hash(const std::string& value) noexcept { return std::hash<std::string>{}(value); }
};

template <> struct Value<std::int64_t> {
    static std::int64_t decode(const Json& json) {
        if (json.is_number_unsigned()) {
            auto value = json.get<std::uint64_t>();
            if (value > static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max()))
                throw DecodingError("", "integer " + json.dump() + " does not fit in 64 bits");
            return static_cast<std::int64_t>(value);
        }
        if (json.is_number_integer()) return json.get<std::int64_t>();
        if (json.is_number_float()) {
            // JSON has one number type, so an integer field takes any JSON
            // number whose value is a whole 64-bit integer: a writer may put
            // 3.0 or 2e3 where it means 3 or 2000, and readers of our own
            // stored text must not depend on how a number was spelt. A
            // fraction (3.7) or a value out of range fails instead of being
            // cut or wrapped, as nlohmann's get<int64_t>() would do silently.
            double value = json.get<double>();
            if (std::trunc(value) == value && value >= -0x1p63 && value < 0x1p63)
                return static_cast<std::int64_t>(value);
            throw DecodingError("", "expected an integer, found " + json.dump());
        }
        wrongType("an integer", json);
    }
    static Json encode(std::int64_t value) { return value; }
    static std::size_t hash(std::int64_t value) noexcept { return std::hash<std::int64_t>{}(value); }
};

template <> struct Value<double> {
    static double decode(const Json& json) {
        if (!json.is_number()) wrongType("a number", json);
        return json.get<double>();
    }
    static Json encode(double value) {
        if (!std::isfinite(value)) throw EncodingError("", "a non-finite number has no JSON form");
        return value;
    }
    static std::size_t hash(double value) noexcept { return std::hash<double>{}(value); }
};

template <> struct Value<bool> {
    static bool decode(const Json& json) {
        if (!json.is_boolean()) wrongType("true or false", json);
        return json.get<bool>();
    }
    static Json encode(bool value) { return value; }
    static std::size_t hash(bool value) noexcept { return std::hash<bool>{}(value); }
};

// A quality is its raw value string; any other string fails.
template <> struct Value<DownloadQuality> {
    static DownloadQuality decode(const Json& json) {
        if (!json.is_string()) wrongType("a quality string", json);
        auto quality = DownloadQuality::fromRaw(json.get_ref<const std::string&>());
        if (!quality) throw DecodingError("", "unknown quality " + json.dump());
        return *quality;
    }
    static Json encode(DownloadQuality value) { return std::string(value.rawValue()); }
    static std::size_t hash(DownloadQuality value) noexcept { return std::hash<DownloadQuality>{}(value); }
};

// A point in time is a number of seconds since 2001-01-01 00:00:00 UTC.
template <> struct Value<std::chrono::system_clock::time_point> {
    using TimePoint = std::chrono::system_clock::time_point;
    static TimePoint decode(const Json& json) {
        if (!json.is_number()) wrongType("a number of seconds", json);
        auto time = timeFromReferenceSeconds(json.get<double>());
        if (!time) throw DecodingError("", "date " + json.dump() + " is out of range");
        return *time;
    }
    static Json encode(TimePoint value) { return referenceSeconds(value); }
    static std::size_t hash(TimePoint value) noexcept {
        return std::hash<TimePoint::rep>{}(value.time_since_epoch().count());
    }
};

inline void combine(std::size_t& seed, std::size_t value) noexcept {
    seed ^= value + 0x9e3779b97f4a7c15ULL + (seed << 6) + (seed >> 2);
}

template <class T> struct Value<std::vector<T>> {
    static std::vector<T> decode(const Json& json) {
        if (!json.is_array()) wrongType("a list", json);
        std::vector<T> values;
        values.reserve(json.size());
        for (std::size_t index = 0; index < json.size(); ++index) {
            try {
                values.push_back(Value<T>::decode(json[index]));
            } catch (const DecodingError& error) {
                throw error.within("[" + std::to_string(index) + "]");
            }
        }
        return values;
    }
    static Json encode(const std::vector<T>& values) {
        Json json = Json::array();
        for (std::size_t index = 0; index < values.size(); ++index) {
            try {
                json.push_back(Value<T>::encode(values[index]));
            } catch (const EncodingError& error) {
                throw error.within("[" + std::to_string(index) + "]");
            }
        }
        return json;
    }
    static std::size_t hash(const std::vector<T>& values) noexcept {
        std::size_t seed = values.size();
        for (const T& value : values)
            combine(seed, Value<T>::hash(value));
        return seed;
    }
};

// Nested records code themselves through their own field lists.
template <class T>
concept Record = requires(const Json& json, const T& record) {
    { T::decode(json) } -> std::same_as<T>;
    { record.encode() } -> std::same_as<Json>;
};

template <Record T> struct Value<T> {
    static T decode(const Json& json) { return T::decode(json); }
    static Json encode(const T& value) { return value.encode(); }
    static std::size_t hash(const T& value) noexcept { return std::hash<T>{}(value); }
};

template <class T> struct IsOptional : std::false_type {};
template <class T> struct IsOptional<std::optional<T>> : std::true_type {};

template <class R, class M> struct Field {
    const char* key;
    M R::*member;
};

template <class R, class M> constexpr Field<R, M> field(const char* key, M R::*member) {
    return {key, member};
}

template <class R, class M> void decodeField(const Json& object, R& record, const Field<R, M>& field) {
    auto found = object.find(field.key);
    try {
        if constexpr (IsOptional<M>::value) {
            if (found == object.end() || found->is_null()) return;
            record.*field.member = Value<typename M::value_type>::decode(*found);
        } else {
            if (found == object.end()) throw DecodingError("", "required key is missing");
            if (found->is_null()) throw DecodingError("", "required key is null");
            record.*field.member = Value<M>::decode(*found);
        }
    } catch (const DecodingError& error) {
        throw error.within(field.key);
    }
}

template <class R, class M> void encodeField(Json& object, const R& record, const Field<R, M>& field) {
    const M& value = record.*field.member;
    try {
        if constexpr (IsOptional<M>::value) {
            if (value) object[field.key] = Value<typename M::value_type>::encode(*value);
        } else {
            object[field.key] = Value<M>::encode(value);
        }
    } catch (const EncodingError& error) {
        throw error.within(field.key);
    }
}

template <class R, class M>
void hashField(std::size_t& seed, const R& record, const Field<R, M>& field) noexcept {
    const M& value = record.*field.member;
    if constexpr (IsOptional<M>::value) {
        combine(seed, value.has_value());
        if (value) combine(seed, Value<typename M::value_type>::hash(*value));
    } else {
        combine(seed, Value<M>::hash(value));
    }
}

template <class R, class... M> R decodeObject(const Json& json, const std::tuple<Field<R, M>...>& fields) {
    if (!json.is_object()) wrongType("an object", json);
    R record{};
    std::apply([&](const auto&... each) { (decodeField(json, record, each), ...); }, fields);
    return record;
}

template <class R, class... M> Json encodeObject(const R& record, const std::tuple<Field<R, M>...>& fields) {
    Json json = Json::object();
    std::apply([&](const auto&... each) { (encodeField(json, record, each), ...); }, fields);
    return json;
}

template <class R, class... M>
std::size_t hashObject(const R& record, const std::tuple<Field<R, M>...>& fields) noexcept {
    std::size_t seed = sizeof...(M);
    std::apply([&](const auto&... each) { (hashField(seed, record, each), ...); }, fields);
    return seed;
}

} // namespace sorvalind::json_fields
