#pragma once

#include <QObject>
#include <QPointer>

#include <qcoro/qcorotask.h>

// One dialogue with the monitor at a time. A dialogue (start, stop, a
// window's exchange between its pause and restore, a radio search) holds a
// lease; a second one waits for the lease to come back, so the bytes of two
// dialogues never interleave on the wire and neither reads the other's
// answers.
class DialogueGate : public QObject
{
    Q_OBJECT
public:
    // Held while a dialogue runs; gives the gate back when destroyed or
    // released, whichever comes first.
    class Lease
    {
    public:
        Lease() = default;
        Lease(Lease &&other) noexcept;
        Lease &operator=(Lease &&other) noexcept;
        Lease(const Lease &) = delete;
        Lease &operator=(const Lease &) = delete;
        ~Lease() { release(); }

        bool isHeld() const { return !m_gate.isNull(); }
        void release();

    private:
        friend class DialogueGate;
        explicit Lease(DialogueGate *gate)
            : m_gate(gate)
        {
        }
        QPointer<DialogueGate> m_gate;
    };

    explicit DialogueGate(QObject *parent = nullptr);

    bool isBusy() const { return m_busy; }
    // Resolves once the gate is free, in the order the requests came.
    QCoro::Task<Lease> acquire();
    // A lease now, or an empty one when a dialogue is running.
    Lease tryAcquire();

signals:
    void busyChanged(bool busy);
    // Queued after a release, so that a waiting dialogue starts from the
    // event loop and not from inside the one that just ended.
    void freed();

private:
    void release();

    bool m_busy = false;
    int m_waiting = 0;
};
