#pragma once
// Whether any network path is usable. The model creates one monitor when it
// starts watching connectivity and destroys it when it stops; the handler
// hears the current answer soon after start() and then every change.
//
// Threads: start() and the destructor on the main actor; the handler may be
// called on any thread (the model hops to the main actor itself) until the
// destructor returns, never after. Nothing here throws but allocation.

#include <functional>

namespace sorvalind {

class PathMonitor {
public:
    using Handler = std::function<void(bool available)>;

    virtual ~PathMonitor() = default;
    virtual void start(Handler handler) = 0;
};

} // namespace sorvalind
