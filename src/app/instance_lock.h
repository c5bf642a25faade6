#pragma once

#include <QLockFile>
#include <QString>

#include <memory>
#include <vector>

// One program per settings file and per serial device: two would fight over
// the port, and each would overwrite the other's recovery state. The locks
// live in $XDG_RUNTIME_DIR; one left behind by a program that crashed is
// taken over.
class InstanceLock
{
public:
    explicit InstanceLock(QString lockFolder);

    // Takes the lock named after `resource` (a settings file or a device).
    // On failure `holder` says which process holds it.
    bool lock(const QString &what, const QString &resource, QString *holder);

    static QString defaultFolder();

private:
    QString m_folder;
    std::vector<std::unique_ptr<QLockFile>> m_locks;
};
