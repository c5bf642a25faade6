#pragma once

#include <QByteArray>
#include <QString>

// Puts `bytes` in place of whatever `path` held, all of them or none: when
// the write fails, for a full disk as for a folder that cannot be written,
// the old file stays as it was and `error` says why.
bool writeWholeFile(const QString &path, const QByteArray &bytes, QString *error);
