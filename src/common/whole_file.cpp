#include "common/whole_file.h"

#include <QSaveFile>

bool writeWholeFile(const QString &path, const QByteArray &bytes, QString *error)
{
    QSaveFile file(path);
    // Unbuffered, so that a write the disk cuts short says so here: through
    // the buffer, Qt 6.4 loses the short write at commit and puts the cut
    // file in place of the old one.
    if (file.open(QIODevice::WriteOnly | QIODevice::Unbuffered) && file.write(bytes) == bytes.size()
        && file.error() == QFileDevice::NoError && file.commit())
        return true;
    *error = file.errorString();
    return false;
}
