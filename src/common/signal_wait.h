#pragma once

#include <QObject>
#include <QPointer>
#include <QTimer>

#include <chrono>
#include <coroutine>
#include <optional>

// co_await waitForSignal(&port, &QSerialPort::readyRead, 200ms) suspends the
// coroutine until the signal comes or the time is up, and yields true when
// the signal came. A negative timeout waits for the signal alone.
//
// The coroutine is resumed straight from the emission or the timer tick,
// never from a queued call: a signal that arrives together with the timeout
// cannot resume it a second time. When the sender or the given context dies
// while waiting, the coroutine is left suspended for good: whatever it would
// go on with is gone.
template<typename Sender, typename Signal>
class SignalWait
{
public:
    SignalWait(Sender *sender, Signal signal, std::chrono::milliseconds timeout, QObject *context)
        : m_sender(sender)
        , m_signal(signal)
        , m_timeout(timeout)
        , m_context(context ? context : static_cast<QObject *>(sender))
    {
    }
    // Movable until it is awaited (some compilers move the awaitable into
    // the coroutine frame); the connections are made only when suspending.
    SignalWait(SignalWait &&other) noexcept
        : m_sender(other.m_sender)
        , m_signal(other.m_signal)
        , m_timeout(other.m_timeout)
        , m_context(other.m_context)
    {
        Q_ASSERT(!other.m_handle);
    }
    SignalWait(const SignalWait &) = delete;
    SignalWait &operator=(const SignalWait &) = delete;
    SignalWait &operator=(SignalWait &&) = delete;
    ~SignalWait() { disconnectAll(); }

    bool await_ready() const noexcept { return m_sender.isNull() || m_context.isNull(); }

    void await_suspend(std::coroutine_handle<> handle)
    {
        m_handle = handle;
        m_signalConnection = QObject::connect(m_sender.data(), m_signal, m_context.data(), [this] { finish(true); });
        m_abandonConnection = QObject::connect(m_context.data(), &QObject::destroyed, [this] { abandon(); });
        if (m_sender.data() != m_context.data())
            m_senderGoneConnection = QObject::connect(m_sender.data(), &QObject::destroyed, [this] { abandon(); });
        if (m_timeout.count() >= 0) {
            m_timer.setSingleShot(true);
            m_timer.setTimerType(Qt::PreciseTimer);
            QObject::connect(&m_timer, &QTimer::timeout, [this] { finish(false); });
            m_timer.start(m_timeout);
        }
    }

    bool await_resume() const noexcept { return m_signalled; }

private:
    void disconnectAll()
    {
        QObject::disconnect(m_signalConnection);
        QObject::disconnect(m_abandonConnection);
        QObject::disconnect(m_senderGoneConnection);
        m_timer.stop();
        m_timer.disconnect();
    }

    void finish(bool signalled)
    {
        if (!m_handle)
            return;
        m_signalled = signalled;
        disconnectAll();
        auto handle = m_handle;
        m_handle = {};
        handle.resume();
    }

    void abandon()
    {
        disconnectAll();
        m_handle = {};
    }

    QPointer<Sender> m_sender;
    Signal m_signal;
    std::chrono::milliseconds m_timeout;
    QPointer<QObject> m_context;
    QTimer m_timer;
    QMetaObject::Connection m_signalConnection;
    QMetaObject::Connection m_abandonConnection;
    QMetaObject::Connection m_senderGoneConnection;
    std::coroutine_handle<> m_handle;
    bool m_signalled = false;
};

template<typename Sender, typename Signal>
SignalWait<Sender, Signal> waitForSignal(Sender *sender, Signal signal,
                                         std::chrono::milliseconds timeout = std::chrono::milliseconds(-1),
                                         QObject *context = nullptr)
{
    return SignalWait<Sender, Signal>(sender, signal, timeout, context);
}

// Suspends for at least `ms` milliseconds; `context` ends the wait for good
// when it dies first.
class TimedPause
{
public:
    TimedPause(std::chrono::milliseconds ms, QObject *context)
        : m_interval(ms)
        , m_context(context)
    {
    }
    TimedPause(TimedPause &&other) noexcept
        : m_interval(other.m_interval)
        , m_context(other.m_context)
    {
    }
    TimedPause(const TimedPause &) = delete;
    TimedPause &operator=(const TimedPause &) = delete;
    TimedPause &operator=(TimedPause &&) = delete;

    bool await_ready() const noexcept { return m_context.isNull(); }
    void await_suspend(std::coroutine_handle<> handle)
    {
        m_wait.emplace(&m_timer, &QTimer::timeout, std::chrono::milliseconds(-1), m_context.data());
        m_wait->await_suspend(handle);
        m_timer.setSingleShot(true);
        m_timer.setTimerType(Qt::PreciseTimer);
        m_timer.start(m_interval);
    }
    void await_resume() const noexcept {}

private:
    std::chrono::milliseconds m_interval;
    QPointer<QObject> m_context;
    QTimer m_timer;
    std::optional<SignalWait<QTimer, decltype(&QTimer::timeout)>> m_wait;
};
