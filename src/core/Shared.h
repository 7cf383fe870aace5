#pragma once
// A program-wide value that several threads read and write: the last writer wins and a
// reader always sees a whole value.
#include <mutex>
#include <utility>

namespace qx {

template <typename T>
class Shared {
public:
    Shared() = default;
    explicit Shared(T v) : value_(std::move(v)) {}
    Shared(const Shared&) = delete;
    Shared& operator=(const Shared&) = delete;

    T get() const {
        std::lock_guard lock(mutex_);
        return value_;
    }
    void set(T v) {
        std::lock_guard lock(mutex_);
        value_ = std::move(v);
    }
    // Runs f on the value under the lock (for a read-modify-write such as an append).
    template <typename F>
    auto update(F f) {
        std::lock_guard lock(mutex_);
        return f(value_);
    }

private:
    mutable std::mutex mutex_;
    T value_ {};
};

}  // namespace qx
