#include "app/instance_lock.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

InstanceLock::InstanceLock(QString lockFolder)
    : m_folder(std::move(lockFolder))
{
}

QString InstanceLock::defaultFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
}

bool InstanceLock::lock(const QString &what, const QString &resource, QString *holder)
{
    // The same file named two ways (a symbolic link, a relative path) is one
    // resource.
    QFileInfo info(resource);
    const QString canonical = info.exists() ? info.canonicalFilePath() : info.absoluteFilePath();
    const QByteArray key = QCryptographicHash::hash(canonical.toUtf8(), QCryptographicHash::Sha1).toHex().left(16);
    QDir().mkpath(m_folder);
    auto file = std::make_unique<QLockFile>(QDir(m_folder).filePath("qmnpilot-" + what + "-" + key + ".lock"));
    // A lock whose process is gone is stale however young it is.
    file->setStaleLockTime(0);
    if (file->tryLock(0)) {
        m_locks.push_back(std::move(file));
        return true;
    }
    if (holder) {
        qint64 pid = 0;
        QString host, application;
        if (file->getLockInfo(&pid, &host, &application))
            *holder = QStringLiteral("%1 is in use by process %2 (%3 on %4)").arg(canonical).arg(pid).arg(application, host);
        else
            *holder = QStringLiteral("%1 is in use by another process (lock %2)").arg(canonical, m_folder);
    }
    return false;
}
