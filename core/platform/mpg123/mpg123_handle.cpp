#include "platform/mpg123/mpg123_handle.h"

#include "platform/mpg123/mpg123_error.h"

#include <mutex>

namespace sorvalind {

Mpg123Error::Mpg123Error(int code) : std::runtime_error(mpg123_plain_strerror(code)), code_(code) {}

Mpg123Handle::Mpg123Handle() {
    static std::once_flag initialised;
    static int initialisation = MPG123_OK;
    std::call_once(initialised, [] { initialisation = mpg123_init(); });
    if (initialisation != MPG123_OK) throw Mpg123Error(initialisation);
    int code = MPG123_OK;
    handle_.reset(mpg123_new(nullptr, &code));
    if (!handle_) throw Mpg123Error(code);
}

} // namespace sorvalind
