#pragma once

#include <QString>
#include <functional>

class Dialogs;

// The program's error log "errorLog.txt" in the data folder. Database
// failures of the per-sample path land here instead of interrupting the user;
// once the file passes its size limit the user is told to review it and the
// program ends, so a failing database cannot fill the disk unnoticed.
class ErrorLog
{
public:
    static constexpr qint64 kSizeLimit = 10000000;

    ErrorLog(const QString &folder, Dialogs &dialogs, std::function<void()> requestExit);

    QString filePath() const;

    // Appends source + ", " + detail as one entry. Never throws: a log that
    // cannot be written must not take the sample path down with it.
    void LogError(const QString &source, const QString &detail);

    // While a Hold lives, the box and the exit of a log past its limit wait
    // for its end. The box runs an event loop where samples and timers go
    // on: code logging from the middle of its own work would be entered
    // again there, half done.
    class Hold
    {
    public:
        explicit Hold(ErrorLog &log) : m_log(log) { ++m_log.m_holds; }
        ~Hold();
        Hold(const Hold &) = delete;
        Hold &operator=(const Hold &) = delete;

    private:
        ErrorLog &m_log;
    };

private:
    void endProgram(qint64 size);

    QString m_folder;
    Dialogs &m_dialogs;
    std::function<void()> m_requestExit;
    bool m_exitRequested = false;
    int m_holds = 0;
    // The size that asked for the end while a Hold lived; -1 when none did.
    qint64 m_heldSize = -1;
};
