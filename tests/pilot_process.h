#pragma once

#include <QFile>
#include <QProcess>
#include <QTest>

#include <csignal>

// The real program as a shell or a service manager starts it.
struct PilotProcess : QProcess
{
    QByteArray err; // what it said on stderr so far

    // `env` changes the test's own environment: "NAME=value" sets, "NAME" removes.
    void launch(const QStringList &arguments, const QStringList &env = {"QT_QPA_PLATFORM=offscreen"})
    {
        QProcessEnvironment e = QProcessEnvironment::systemEnvironment();
        for (const QString &change : env) {
            const qsizetype eq = change.indexOf('=');
            if (eq < 0)
                e.remove(change);
            else
                e.insert(change.left(eq), change.mid(eq + 1));
        }
        setProcessEnvironment(e);
        // A runner started under nohup or in the background hands its ignored
        // SIGHUP/SIGINT down; a shell or a service manager starts the program
        // with both at their defaults.
        setChildProcessModifier([] {
            ::signal(SIGHUP, SIG_DFL);
            ::signal(SIGINT, SIG_DFL);
        });
        start(QMN_PILOT_BINARY, arguments);
    }
    bool said(const QByteArray &text, int ms = 20000)
    {
        return QTest::qWaitFor([&] { err += readAllStandardError(); return err.contains(text); }, ms);
    }
    // The kernel's record of the signals the program has a handler for.
    bool catches(int signal)
    {
        QFile status(QStringLiteral("/proc/%1/status").arg(processId()));
        if (!status.open(QIODevice::ReadOnly))
            return false;
        for (const QByteArray &line : status.readAll().split('\n')) {
            if (line.startsWith("SigCgt:"))
                return (line.mid(7).trimmed().toULongLong(nullptr, 16) >> (signal - 1)) & 1;
        }
        return false;
    }
    // The exit code after the signal; -1 for a crash or a program still running.
    int end(int signal)
    {
        ::kill(pid_t(processId()), signal);
        if (!waitForFinished(10000) || exitStatus() != QProcess::NormalExit)
            return -1;
        err += readAllStandardError();
        return exitCode();
    }
};
