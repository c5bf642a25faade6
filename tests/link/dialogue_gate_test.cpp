#include "coro_wait.h"
#include "link/dialogue_gate.h"

#include <gtest/gtest.h>

#include <QStringList>
#include <QTest>

#include <qcoro/qcorotimer.h>

namespace {

// A dialogue that writes "<name>:begin", waits for `gap` ms while holding
// the gate, and writes "<name>:end".
QCoro::Task<> dialogue(DialogueGate &gate, QString name, int gap, QStringList *log)
{
    DialogueGate::Lease lease = co_await gate.acquire();
    log->append(name + ":begin");
    co_await QCoro::sleepFor(std::chrono::milliseconds(gap));
    log->append(name + ":end");
}

} // namespace

TEST(DialogueGate, DialoguesRunOneAfterTheOtherInTheOrderAsked)
{
    DialogueGate gate;
    QStringList log;
    bool aDone = false, bDone = false, cDone = false;
    // b is shorter than a: without the gate it would end first.
    detail::markDone(dialogue(gate, "a", 60, &log), &aDone);
    detail::markDone(dialogue(gate, "b", 10, &log), &bDone);
    detail::markDone(dialogue(gate, "c", 10, &log), &cDone);
    EXPECT_TRUE(gate.isBusy());
    ASSERT_TRUE(QTest::qWaitFor([&] { return aDone && bDone && cDone; }, 5000));
    EXPECT_EQ(log, QStringList({"a:begin", "a:end", "b:begin", "b:end", "c:begin", "c:end"}));
    EXPECT_FALSE(gate.isBusy());
}

TEST(DialogueGate, LeaseGoesBackOnReleaseOrDestructionAndOnlyOnce)
{
    DialogueGate gate;
    {
        DialogueGate::Lease first = gate.tryAcquire();
        ASSERT_TRUE(first.isHeld());
        EXPECT_FALSE(gate.tryAcquire().isHeld());

        DialogueGate::Lease moved = std::move(first);
        EXPECT_FALSE(first.isHeld());
        first.release(); // an empty lease gives nothing back
        EXPECT_TRUE(gate.isBusy());
        moved.release();
        EXPECT_FALSE(gate.isBusy());

        DialogueGate::Lease again = gate.tryAcquire();
        EXPECT_TRUE(again.isHeld());
        moved.release(); // released twice: must not free the gate under `again`
        EXPECT_TRUE(gate.isBusy());
    }
    EXPECT_FALSE(gate.isBusy());

    // A waiter gets the gate when the holder's lease is destroyed.
    QStringList log;
    bool done = false;
    auto *held = new DialogueGate::Lease(gate.tryAcquire());
    detail::markDone(dialogue(gate, "w", 0, &log), &done);
    QTest::qWait(50);
    EXPECT_TRUE(log.isEmpty());
    // A newcomer does not jump the queue while someone waits.
    EXPECT_FALSE(gate.tryAcquire().isHeld());
    delete held;
    ASSERT_TRUE(QTest::qWaitFor([&] { return done; }, 2000));
    EXPECT_EQ(log, QStringList({"w:begin", "w:end"}));
}
