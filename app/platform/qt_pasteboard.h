#pragma once
// The clipboard of the desktop session (QClipboard). GUI thread only; needs
// a QGuiApplication.

#include "model/pasteboard.h"

namespace sorvalind {

class QtPasteboard final : public Pasteboard {
public:
    void setString(const std::string& text) override;
};

} // namespace sorvalind
