#pragma once
// One credited contributor of a song with the kind of credit. A plain value:
// any thread. decode() throws DecodingError, encode() EncodingError.

#include "library/artist.h"

#include "library/json_coding.h"

#include <functional>
#include <optional>
#include <string>

namespace sorvalind {

struct Contributor {
    // The kind of credit, such as "composer".
    std::string role;
    std::optional<std::string> subRole;
    Artist artist;

    static Contributor make(std::string role, std::optional<std::string> subRole, Artist artist);

    static Contributor decode(const JSONElement& json);
    nlohmann::json encode() const;

    friend bool operator==(const Contributor&, const Contributor&) = default;
};

} // namespace sorvalind

template <> struct std::hash<sorvalind::Contributor> {
    std::size_t operator()(const sorvalind::Contributor& contributor) const noexcept;
};
