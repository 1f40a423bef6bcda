#pragma once
// Helpers of the playback tests: test audio and its bytes.

#include "audio_fixtures.h"
#include "loopback/audio/audio_fixtures.h"
#include "loopback/fake_subsonic_server.h"
#include "platform/ffmpeg/pcm_buffer.h"
#include "audio/pcm_decoder.h"
#include "http/http_session.h"
#include "support/media_request.h"

#include <filesystem>
#include <string>

namespace sorvalind::testing {

// One folder of test audio for the whole test program, removed at exit.
const std::filesystem::path& audioFolder();

std::string fileText(const std::filesystem::path& path);

} // namespace sorvalind::testing
