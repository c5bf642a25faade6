#pragma once

#include <QTest>

#include <qcoro/qcorotask.h>

#include <optional>

namespace detail {
// A free coroutine: a capturing lambda would leave its captures behind when
// the temporary closure dies at the first suspension.
template <typename T>
QCoro::Task<> storeResult(QCoro::Task<T> task, std::optional<T> *out)
{
    *out = co_await std::move(task);
}
inline QCoro::Task<> markDone(QCoro::Task<> task, bool *done)
{
    co_await std::move(task);
    *done = true;
}
} // namespace detail

// Runs the event loop until the task finishes (or the timeout passes) and
// returns its result.
template <typename T>
std::optional<T> awaitTask(QCoro::Task<T> task, int timeoutMs = 20000)
{
    std::optional<T> result;
    detail::storeResult(std::move(task), &result);
    [[maybe_unused]] const bool finished = QTest::qWaitFor([&] { return result.has_value(); }, timeoutMs);
    return result;
}

inline bool awaitTask(QCoro::Task<> task, int timeoutMs = 20000)
{
    bool done = false;
    detail::markDone(std::move(task), &done);
    [[maybe_unused]] const bool finished = QTest::qWaitFor([&] { return done; }, timeoutMs);
    return done;
}
