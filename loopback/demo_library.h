#pragma once
// The library `sorvalind --demo` plays: a few artists, albums and short songs
// made from a fixed seed, so that every demo looks and sounds the same. It
// carries what a real collection throws at the views: names with "&" and
// markup-like text, one very light cover, and one album and one artist
// without any cover.
// Any thread; throws std::runtime_error when the audio tools fail.

#include "loopback/fake_subsonic_server.h"

#include <filesystem>
#include <memory>
#include <string>

namespace sorvalind::loopback {

struct DemoLogin {
    static constexpr const char* user = "demo";
    static constexpr const char* password = "demo-listening";
};

// Writes the demo's audio into `scratch` (an existing folder the caller
// removes) and starts a server on 127.0.0.1 that serves it.
std::unique_ptr<FakeSubsonicServer> startDemoServer(const std::filesystem::path& scratch);

} // namespace sorvalind::loopback
