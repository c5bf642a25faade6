#pragma once

#include <QString>

// The question before a file is replaced, two blanks after "exists." as
// users have always seen it.
inline QString overwriteQuestion(const QString &fileName)
{
    return QStringLiteral("File \"%1\" already exists.  Do you wish to OVERWRITE this file?").arg(fileName);
}
