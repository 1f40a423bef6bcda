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
// document, with the path of the offending value. Keys the record does not
// list are skipped; when a key repeats, its last value counts.
//
// Decoding walks each object's members once, in the document's order, and
// finds the field of a key by binary search in a table sorted once per
// record type: the store decodes every row it shows and the synchronisation
// every page, so this is the library's hot path.
//
// Any thread. Decoding throws DecodingError, encoding EncodingError.

#include "library/download_quality.h"
#include "library/json_coding.h"
#include "library/json_element.h"
#include "library/reference_date.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <array>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <functional>
#include <limits>
#include <optional>
#include <string>
#include <string_view>
#include <tuple>
#include <type_traits>
#include <utility>
#include <vector>

namespace sorvalind::json_fields {

using Json = nlohmann::json;
using Element = simdjson::dom::element;
using ElementType = simdjson::dom::element_type;

using json_element::isNumber;
using json_element::numberOf;
using json_element::stringOf;

// The value as JSON text, for messages.
inline std::string textOf(const Element& value) {
    return simdjson::minify(value);
}

[[noreturn]] inline void wrongType(const char* expected, const Element& value) {
    throw DecodingError("", std::string("expected ") + expected + ", found " + json_element::typeName(value));
}

template <class T>
struct Value; // decode(const Element&) -> T, encode(const T&) -> Json, hash(const T&) -> size_t

template <> struct Value<std::string> {
    static std::string decode(const Element& json) {
        if (json.type() != ElementType::STRING) wrongType("a string", json);
        return std::string(stringOf(json));
    }
    static Json encode(const std::string& value) { return value; }
    static std::size_t hash(const std::string& value) noexcept { return std::hash<std::string>{}(value); }
};

template <> struct Value<std::int64_t> {
    static std::int64_t decode(const Element& json) {
        switch (json.type()) {
        case ElementType::INT64:
            return json_element::int64Of(json);
        case ElementType::UINT64:
            // Only values above the signed range are read as unsigned.
            throw DecodingError("", "integer " + textOf(json) + " does not fit in 64 bits");
        case ElementType::DOUBLE: {
            // JSON has one number type, so an integer field takes any JSON
            // number whose value is a whole 64-bit integer: a writer may put
            // 3.0 or 2e3 where it means 3 or 2000, and readers of our own
            // stored text must not depend on how a number was spelt. A
            // fraction (3.7) or a value out of range fails instead of being
            // cut or wrapped.
            double value = numberOf(json);
            if (std::trunc(value) == value && value >= -0x1p63 && value < 0x1p63)
                return static_cast<std::int64_t>(value);
            throw DecodingError("", "expected an integer, found " + textOf(json));
        }
        default:
            wrongType("an integer", json);
        }
    }
    static Json encode(std::int64_t value) { return value; }
    static std::size_t hash(std::int64_t value) noexcept { return std::hash<std::int64_t>{}(value); }
};

template <> struct Value<double> {
    static double decode(const Element& json) {
        if (!isNumber(json)) wrongType("a number", json);
        return numberOf(json);
    }
    static Json encode(double value) {
        if (!std::isfinite(value)) throw EncodingError("", "a non-finite number has no JSON form");
        return value;
    }
    static std::size_t hash(double value) noexcept { return std::hash<double>{}(value); }
};

template <> struct Value<bool> {
    static bool decode(const Element& json) {
        if (json.type() != ElementType::BOOL) wrongType("true or false", json);
        return json_element::boolOf(json);
    }
    static Json encode(bool value) { return value; }
    static std::size_t hash(bool value) noexcept { return std::hash<bool>{}(value); }
};

// A quality is its raw value string; any other string fails.
template <> struct Value<DownloadQuality> {
    static DownloadQuality decode(const Element& json) {
        if (json.type() != ElementType::STRING) wrongType("a quality string", json);
        auto quality = DownloadQuality::fromRaw(stringOf(json));
        if (!quality) throw DecodingError("", "unknown quality " + textOf(json));
        return *quality;
    }
    static Json encode(DownloadQuality value) { return std::string(value.rawValue()); }
    static std::size_t hash(DownloadQuality value) noexcept { return std::hash<DownloadQuality>{}(value); }
};

// A point in time is a number of seconds since 2001-01-01 00:00:00 UTC.
template <> struct Value<std::chrono::system_clock::time_point> {
    using TimePoint = std::chrono::system_clock::time_point;
    static TimePoint decode(const Element& json) {
        if (!isNumber(json)) wrongType("a number of seconds", json);
        auto time = timeFromReferenceSeconds(numberOf(json));
        if (!time) throw DecodingError("", "date " + textOf(json) + " is out of range");
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
    static std::vector<T> decode(const Element& json) {
        if (json.type() != ElementType::ARRAY) wrongType("a list", json);
        return json_element::decodeElements<T>(
            json, [](const Element& element) { return Value<T>::decode(element); });
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
concept Record = requires(const Element& json, const T& record) {
    { T::decode(json) } -> std::same_as<T>;
    { record.encode() } -> std::same_as<Json>;
};

template <Record T> struct Value<T> {
    static T decode(const Element& json) { return T::decode(json); }
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

template <class R, class M> void decodeField(R& record, const Field<R, M>& field, const Element& value) {
    try {
        if constexpr (IsOptional<M>::value) {
            if (value.type() == ElementType::NULL_VALUE)
                (record.*field.member).reset();
            else
                record.*field.member = Value<typename M::value_type>::decode(value);
        } else {
            if (value.type() == ElementType::NULL_VALUE) throw DecodingError("", "required key is null");
            record.*field.member = Value<M>::decode(value);
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

// A record's keys sorted, each with its position in the field list.
template <std::size_t N> class KeyTable {
public:
    template <class Fields> explicit KeyTable(const Fields& fields) {
        std::size_t position = 0;
        std::apply(
            [&](const auto&... each) {
                ((entries_[position] = {each.key, position}, ++position), ...);
            },
            fields);
        std::sort(entries_.begin(), entries_.end());
    }
    // The position of `key`, or N when the record has no such field.
    std::size_t find(std::string_view key) const noexcept {
        auto found =
            std::lower_bound(entries_.begin(), entries_.end(), key,
                             [](const auto& entry, std::string_view wanted) { return entry.first < wanted; });
        return found != entries_.end() && found->first == key ? found->second : N;
    }

private:
    std::array<std::pair<std::string_view, std::size_t>, N> entries_{};
};

template <std::size_t I, class R, class Fields>
void decodeAt(R& record, const Fields& fields, const Element& value) {
    decodeField(record, std::get<I>(fields), value);
}

template <class R, class Fields, std::size_t... I> constexpr auto decoderTable(std::index_sequence<I...>) {
    return std::array<void (*)(R&, const Fields&, const Element&), sizeof...(I)>{&decodeAt<I, R, Fields>...};
}

template <class R, class M> void requirePresent(const Field<R, M>& field, bool present) {
    if constexpr (!IsOptional<M>::value)
        if (!present) throw DecodingError(field.key, "required key is missing");
}

template <class R, class... M> R decodeObject(const Element& json, const std::tuple<Field<R, M>...>& fields) {
    using Fields = std::tuple<Field<R, M>...>;
    constexpr std::size_t count = sizeof...(M);
    static_assert(count <= 64, "the presence mask holds 64 fields");
    static const KeyTable<count> keys(fields);
    static constexpr auto decoders = decoderTable<R, Fields>(std::index_sequence_for<M...>{});

    if (json.type() != ElementType::OBJECT) wrongType("an object", json);
    R record{};
    std::uint64_t present = 0;
    for (const simdjson::dom::key_value_pair& member : json_element::objectOf(json)) {
        std::size_t position = keys.find(member.key);
        if (position == count) continue;
        present |= std::uint64_t{1} << position;
        decoders[position](record, fields, member.value);
    }
    std::size_t position = 0;
    std::apply(
        [&](const auto&... each) { ((requirePresent(each, present >> position & 1), ++position), ...); },
        fields);
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
