#pragma once
// A move-only `void()` callable: what executors queue. Unlike std::function it
// can own move-only captures (promises, RAII handles, unique_ptr), so work can
// carry its resources across threads without shared ownership.
// Not synchronised: one thread uses a given Task at a time.

#include <concepts>
#include <memory>
#include <type_traits>
#include <utility>

namespace sorvalind {

class Task {
public:
    Task() noexcept = default;

    template <class F>
    requires(!std::same_as<std::remove_cvref_t<F>, Task>) &&
        std::invocable<std::decay_t<F>&> Task(
            F&& f) // NOLINT(google-explicit-constructor): lambdas convert implicitly on purpose
        : impl_(std::make_unique<Model<std::decay_t<F>>>(std::forward<F>(f))) {}

    Task(Task&&) noexcept = default;
    Task& operator=(Task&&) noexcept = default;
    Task(const Task&) = delete;
    Task& operator=(const Task&) = delete;
    ~Task() = default;

    explicit operator bool() const noexcept { return impl_ != nullptr; }

    // Runs the callable; an empty Task does nothing. Whatever the callable
    // throws propagates.
    void operator()() {
        if (impl_) impl_->call();
    }

private:
    struct Concept {
        virtual ~Concept() = default;
        virtual void call() = 0;
    };
    template <class F> struct Model final : Concept {
        template <class G> explicit Model(G&& g) : f(std::forward<G>(g)) {}
        void call() override { f(); }
        F f;
    };
    std::unique_ptr<Concept> impl_;
};

} // namespace sorvalind
