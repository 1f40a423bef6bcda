#pragma once
// The result of work that ran elsewhere: a value or the exception it threw,
// carried across threads. get() returns the value or rethrows. Not
// synchronised: one thread uses a given Outcome at a time.

#include <exception>
#include <type_traits>
#include <utility>
#include <variant>

namespace sorvalind {

template <class T> class Outcome {
public:
    static Outcome success(T value) { return Outcome(std::in_place_index<0>, std::move(value)); }
    static Outcome failure(std::exception_ptr error) noexcept {
        return Outcome(std::in_place_index<1>, std::move(error));
    }

    bool hasValue() const noexcept { return state_.index() == 0; }
    // The exception, or null when there is a value.
    std::exception_ptr error() const noexcept {
        return hasValue() ? std::exception_ptr() : std::get<1>(state_);
    }

    T& get() & {
        rethrowIfFailed();
        return std::get<0>(state_);
    }
    T&& get() && {
        rethrowIfFailed();
        return std::move(std::get<0>(state_));
    }

private:
    template <std::size_t I, class A>
    Outcome(std::in_place_index_t<I> index, A&& a) : state_(index, std::forward<A>(a)) {}
    void rethrowIfFailed() const {
        if (!hasValue()) std::rethrow_exception(std::get<1>(state_));
    }
    std::variant<T, std::exception_ptr> state_;
};

template <> class Outcome<void> {
public:
    static Outcome success() noexcept { return Outcome(nullptr); }
    static Outcome failure(std::exception_ptr error) noexcept { return Outcome(std::move(error)); }

    bool hasValue() const noexcept { return !error_; }
    std::exception_ptr error() const noexcept { return error_; }
    void get() const {
        if (error_) std::rethrow_exception(error_);
    }

private:
    explicit Outcome(std::exception_ptr error) noexcept : error_(std::move(error)) {}
    std::exception_ptr error_;
};

// Runs `fn` and captures what it returns or throws.
template <class Fn> auto captureOutcome(Fn& fn) noexcept -> Outcome<std::invoke_result_t<Fn&>> {
    using T = std::invoke_result_t<Fn&>;
    try {
        if constexpr (std::is_void_v<T>) {
            fn();
            return Outcome<void>::success();
        } else {
            return Outcome<T>::success(fn());
        }
    } catch (...) {
        return Outcome<T>::failure(std::current_exception());
    }
}

} // namespace sorvalind
