#pragma once

#include "sim_program.h"
#include "coro_wait.h"


// The program with its real serial port on a simulated monitor.
struct DeviceTest : SimProgramTest
{
    DeviceUtility &device() { return program->device(); }
    ProgramFlags &flags() { return program->flags(); }
    QStringList lines() { return device().list().lines(); }
    QString hex(const QByteArray &bytes) { return QString::fromLatin1(bytes.toHex(' ')); }
    QString wire() { return hex(sim.received()); }

    void run(QCoro::Task<> task) { ASSERT_TRUE(awaitTask(std::move(task), 30000)); }
    // However a dialogue ended, nothing of it is left running.
    void TearDown() override
    {
        if (!program)
            return;
        EXPECT_FALSE(flags().commandInProgress);
        EXPECT_FALSE(device().isBusy());
        EXPECT_FALSE(program->dialogueGate().isBusy());
    }

    // The monitor streams and the program knows it.
    void streaming()
    {
        ASSERT_TRUE(awaitTask(program->realtime().MnuStartRTL_Click()));
        ASSERT_TRUE(sim.streaming());
        sim.clearReceived();
    }
};

inline const QByteArray kProbe("\xFC");
inline QByteArray bytes(const char *hexText) { return QByteArray::fromHex(hexText); }

inline void PrintTo(const QString &text, std::ostream *os)
{
    *os << '"' << text.toStdString() << '"';
}
