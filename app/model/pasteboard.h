#pragma once
// The desktop clipboard, for share links. Main actor only; never throws.

#include <string>

namespace sorvalind {

class Pasteboard {
public:
    virtual ~Pasteboard() = default;
    // Replaces the clipboard's contents with plain text.
    virtual void setString(const std::string& text) = 0;
};

} // namespace sorvalind
