#pragma once
// One entry of the server's extension list, such as "transcodeOffset" with
// the versions it supports. No equality. A plain value: any thread.
// decode() throws DecodingError, encode() EncodingError.

#include "library/json_coding.h"

#include <cstdint>
#include <string>
#include <vector>

namespace sorvalind {

struct APIExtension {
    std::string name;
    std::vector<std::int64_t> versions;

    static APIExtension decode(const JSONElement& json);
    nlohmann::json encode() const;
};

} // namespace sorvalind
