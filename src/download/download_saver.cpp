#include "download/download_saver.h"

#include "common/dialogs.h"
#include "common/overwrite_question.h"
#include "common/whole_file.h"
#include "download/qmn_file.h"

#include <QFileInfo>

namespace {

QString withoutExtension(const QString &chosen)
{
    for (const char *ext : {".bin", ".qmn"}) {
        if (chosen.endsWith(QLatin1String(ext), Qt::CaseInsensitive))
            return chosen.chopped(4);
    }
    return chosen;
}

} // namespace

DownloadSaver::DownloadSaver(Dialogs &dialogs, QString folder)
    : m_dialogs(dialogs)
    , m_folder(std::move(folder))
{
}

QString DownloadSaver::binPath(const QString &chosen)
{
    return withoutExtension(chosen) + QStringLiteral(".BIN");
}

QString DownloadSaver::qmnPath(const QString &chosen)
{
    const QFileInfo info(withoutExtension(chosen));
    const QString name = info.fileName().toUpper() + QStringLiteral(".QMN");
    const QString folder = chosen.contains(QLatin1Char('/')) ? info.path() + QLatin1Char('/') : QString();
    return folder + name;
}

bool DownloadSaver::write(const QString &path, const QByteArray &bytes)
{
    QString error;
    if (writeWholeFile(path, bytes, &error))
        return true;
    m_dialogs.message(QStringLiteral("Could not write %1: %2").arg(path, error));
    return false;
}

DownloadSaver::Outcome DownloadSaver::save(const QByteArray &download, int intervalMinutes,
                                           const QString &dateDigits, const QString &timeDigits,
                                           QString *savedPath)
{
    for (;;) {
        const QString chosen = m_dialogs.saveFileName(QStringLiteral("Save Data"), m_folder,
                                                      QStringLiteral("QMN data (*.QMN *.qmn);;All files (*)"));
        if (chosen.isEmpty())
            return Outcome::NoName;
        if (!QmnFile::dateIsValid(dateDigits)) {
            m_dialogs.message(QStringLiteral("Invalid Date, please re-enter"));
            return Outcome::BadDate;
        }
        if (!QmnFile::timeIsValid(timeDigits)) {
            m_dialogs.message(QStringLiteral("Invalid time, please re-enter"));
            return Outcome::BadTime;
        }
        // Checked before anything is replaced, so a bad time cannot cost
        // the old file.
        QString time = timeDigits;
        if (time.size() == 4)
            time += QStringLiteral("00");
        if (time.size() != 6) {
            m_dialogs.message(time.size() == 5   ? QStringLiteral("error 100 : Invalid Time")
                              : time.size() > 6 ? QStringLiteral("error 101 : Invalid Time")
                                                : QStringLiteral("error 102 : Invalid Time"));
            return Outcome::BadTime;
        }
        const QString qmn = qmnPath(chosen);
        if (QFileInfo::exists(qmn) && !m_dialogs.askYesNo(overwriteQuestion(qmn)))
            continue;
        if (!write(binPath(chosen), download))
            return Outcome::WriteFailed;
        const QByteArray body = QmnFile::records(download, [this](const QString &q) { return m_dialogs.askYesNo(q); });
        if (!write(qmn, QmnFile::header(dateDigits + time, intervalMinutes) + body))
            return Outcome::WriteFailed;
        *savedPath = qmn;
        return Outcome::Saved;
    }
}
