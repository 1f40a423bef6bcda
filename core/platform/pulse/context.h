#pragma once
// One PulseAudio context: the connection to a sound server. Its callbacks
// run on the main loop's thread with the loop's lock held; every call here
// needs that lock too (or the loop stopped). Release disconnects it. Move-only
// (the callback stays attached across moves). The constructor and connect()
// throw PulseError.

#include <pulse/context.h>
#include <pulse/mainloop-api.h>

#include <functional>
#include <memory>
#include <string>

namespace sorvalind {

class Context {
public:
    Context(pa_mainloop_api* api, const std::string& name);
    Context(Context&&) noexcept = default;
    Context& operator=(Context&&) noexcept = default;
    ~Context();

    // Starts connecting to `server`, or to the default one (PULSE_SERVER, the
    // user's session) when empty, never spawning a server. The state callback
    // tells when it is ready or has failed.
    void connect(const std::string& server = {});
    pa_context_state_t state() const noexcept { return pa_context_get_state(context_.get()); }
    // PulseAudio's code for the last failure.
    int errorCode() const noexcept { return pa_context_errno(context_.get()); }

    void setStateCallback(std::function<void()> callback);

    pa_context* get() const noexcept { return context_.get(); }

private:
    struct Unref {
        void operator()(pa_context* context) const noexcept;
    };
    std::unique_ptr<pa_context, Unref> context_;
    std::unique_ptr<std::function<void()>> stateCallback_;
};

} // namespace sorvalind
