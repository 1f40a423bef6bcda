#include "platform/pulse/context.h"

#include "platform/pulse/pulse_error.h"

#include <pulse/def.h>
#include <pulse/error.h>

namespace sorvalind {

void Context::Unref::operator()(pa_context* context) const noexcept {
    pa_context_set_state_callback(context, nullptr, nullptr);
    pa_context_disconnect(context);
    pa_context_unref(context);
}

Context::Context(pa_mainloop_api* api, const std::string& name)
    : context_(pa_context_new(api, name.c_str())), stateCallback_(std::make_unique<std::function<void()>>()) {
    if (!context_) throw PulseError(PA_ERR_INTERNAL, "make a context");
}

Context::~Context() = default;

void Context::connect(const std::string& server) {
    if (pa_context_connect(context_.get(), server.empty() ? nullptr : server.c_str(), PA_CONTEXT_NOAUTOSPAWN,
                           nullptr) < 0)
        throw PulseError(errorCode(), "connect to the sound server");
}

void Context::setStateCallback(std::function<void()> callback) {
    *stateCallback_ = std::move(callback);
    pa_context_set_state_callback(
        context_.get(),
        [](pa_context*, void* user) {
            auto& call = *static_cast<std::function<void()>*>(user);
            if (call) call();
        },
        stateCallback_.get());
}

} // namespace sorvalind
