#pragma once
// Runs fn on a thread with the given stack size, for tests of deep input on small stacks.
#include <gtest/gtest.h>
#include <pthread.h>

#include <functional>

namespace qx::test {

inline void onThreadWithStack(std::size_t stack, const std::function<void()>& fn) {
    pthread_attr_t attr;
    pthread_attr_init(&attr);
    pthread_attr_setstacksize(&attr, stack);
    pthread_t t;
    auto* f = new std::function<void()>(fn);
    int rc = pthread_create(
        &t, &attr,
        [](void* p) -> void* {
            auto* g = static_cast<std::function<void()>*>(p);
            (*g)();
            delete g;
            return nullptr;
        },
        f);
    pthread_attr_destroy(&attr);
    if (rc != 0) {
        delete f;
        ADD_FAILURE() << "pthread_create failed";
        return;
    }
    pthread_join(t, nullptr);
}

}  // namespace qx::test
