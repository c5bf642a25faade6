#include "link/dialogue_gate.h"

#include "common/signal_wait.h"

DialogueGate::Lease::Lease(Lease &&other) noexcept
    : m_gate(std::move(other.m_gate))
{
    other.m_gate.clear();
}

DialogueGate::Lease &DialogueGate::Lease::operator=(Lease &&other) noexcept
{
    if (this != &other) {
        release();
        m_gate = std::move(other.m_gate);
        other.m_gate.clear();
    }
    return *this;
}

void DialogueGate::Lease::release()
{
    if (DialogueGate *gate = m_gate.data()) {
        m_gate.clear();
        gate->release();
    }
}

DialogueGate::DialogueGate(QObject *parent)
    : QObject(parent)
{
}

DialogueGate::Lease DialogueGate::tryAcquire()
{
    if (m_busy || m_waiting > 0)
        return Lease();
    m_busy = true;
    emit busyChanged(true);
    return Lease(this);
}

QCoro::Task<DialogueGate::Lease> DialogueGate::acquire()
{
    if (m_busy || m_waiting > 0) {
        // Waiters are woken in the order they started waiting; the first
        // one that finds the gate free takes it, the others wait again.
        ++m_waiting;
        do {
            co_await waitForSignal(this, &DialogueGate::freed);
        } while (m_busy);
        --m_waiting;
    }
    m_busy = true;
    emit busyChanged(true);
    co_return Lease(this);
}

void DialogueGate::release()
{
    if (!m_busy)
        return;
    m_busy = false;
    emit busyChanged(false);
    if (m_waiting > 0)
        QMetaObject::invokeMethod(
            this,
            [this] {
                if (!m_busy)
                    emit freed();
            },
            Qt::QueuedConnection);
}
