#pragma once
// Helpers of the playback tests: test audio and its bytes.

#include "loopback/audio/audio_fixtures.h"

#include <filesystem>
#include <string>

namespace sorvalind::testing {

// One folder of test audio for the whole test program, removed at exit.
const std::filesystem::path& audioFolder();

std::string fileText(const std::filesystem::path& path);

} // namespace sorvalind::testing
