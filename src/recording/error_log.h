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

private:
    QString m_folder;
    Dialogs &m_dialogs;
    std::function<void()> m_requestExit;
    bool m_exitRequested = false;
};
