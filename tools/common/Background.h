#pragma once
// Work that may take a while (parsing a file, ending processes, a network request) runs on a
// thread of its own; its result comes back to the window's thread, and is dropped when the
// window is gone by then.
#include <QCoreApplication>
#include <QPointer>
#include <functional>
#include <memory>
#include <thread>

namespace qx::tools {

template <typename Result>
void runInBackground(QObject* context, std::function<Result()> work, std::function<void(Result&)> done) {
    QPointer<QObject> guard(context);
    std::thread([guard, work = std::move(work), done = std::move(done)] {
        auto result = std::make_shared<Result>(work());
        QMetaObject::invokeMethod(
            QCoreApplication::instance(),
            [guard, result, done] {
                if (guard) done(*result);
            },
            Qt::QueuedConnection);
    }).detach();
}

}  // namespace qx::tools
