#pragma once
// One libmpg123 decoder handle. Move-only; one thread at a time. The
// constructor throws Mpg123Error.

#include <mpg123.h>

#include <memory>

namespace sorvalind {

class Mpg123Handle {
public:
    Mpg123Handle();

    mpg123_handle* get() const noexcept { return handle_.get(); }

private:
    struct Delete {
        void operator()(mpg123_handle* handle) const noexcept { mpg123_delete(handle); }
    };
    std::unique_ptr<mpg123_handle, Delete> handle_;
};

} // namespace sorvalind
