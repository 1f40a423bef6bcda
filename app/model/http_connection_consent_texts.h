#pragma once
// The words of the warning with which the user allows an unencrypted
// connection to a server, shown by the connection form.

#include <string_view>

namespace sorvalind {

struct HTTPConnectionConsentTexts {
    static constexpr std::string_view warning =
        "HTTPS is recommended. HTTP is unencrypted: others on the network may be able to read your login "
        "tokens and music.";
    static constexpr std::string_view allowToggle = "I understand and allow HTTP for this server";
};

} // namespace sorvalind
