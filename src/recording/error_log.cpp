#include "recording/error_log.h"

#include "common/dialogs.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <utility>

ErrorLog::ErrorLog(const QString &folder, Dialogs &dialogs, std::function<void()> requestExit)
    : m_folder(folder), m_dialogs(dialogs), m_requestExit(std::move(requestExit))
{
}

QString ErrorLog::filePath() const
{
    return QDir(m_folder).filePath(QStringLiteral("errorLog.txt"));
}

void ErrorLog::LogError(const QString &source, const QString &detail)
{
    try {
        QDir().mkpath(m_folder);
        QFile file(filePath());
        if (!file.open(QIODevice::WriteOnly | QIODevice::Append))
            return;
        file.write((source + QStringLiteral(", ") + detail + QLatin1Char('\n')).toUtf8());
        file.close();

        const qint64 size = QFileInfo(file).size();
        // The exit takes its time (it saves state and closes the port), and the
        // samples that arrive meanwhile may log again: ask only once.
        if (size <= kSizeLimit || m_exitRequested)
            return;
        m_exitRequested = true;
        if (m_holds > 0)
            m_heldSize = size;
        else
            endProgram(size);
    } catch (...) {
    }
}

void ErrorLog::endProgram(qint64 size)
{
    m_dialogs.message(QDir::toNativeSeparators(filePath()) + QStringLiteral(" is now ") + QString::number(size)
                      + QStringLiteral("bytes.  Please review and delete file.  It will automatically be "
                                       "recreated on next error. The Program must end now."));
    if (m_requestExit)
        m_requestExit();
}

ErrorLog::Hold::~Hold()
{
    if (--m_log.m_holds > 0 || m_log.m_heldSize < 0)
        return;
    const qint64 size = std::exchange(m_log.m_heldSize, -1);
    try {
        m_log.endProgram(size);
    } catch (...) {
    }
}
