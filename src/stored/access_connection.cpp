#include "stored/access_connection.h"

bool isConnectionString(const QString &adbpath)
{
    return adbpath.contains(QLatin1Char('='));
}

bool isFilePath(const QString &adbpath)
{
    return adbpath.isEmpty() || adbpath.contains(QLatin1Char('/')) || adbpath.contains(QLatin1Char('\\'))
        || adbpath.endsWith(QLatin1String(".mdb"), Qt::CaseInsensitive)
        || adbpath.endsWith(QLatin1String(".accdb"), Qt::CaseInsensitive);
}

QString accessConnectionString(const QString &adbpath)
{
    if (isConnectionString(adbpath))
        return adbpath;
    if (isFilePath(adbpath))
        return QStringLiteral("DRIVER={MDBTools};DBQ=") + adbpath + QLatin1Char(';');
    return QStringLiteral("DSN=") + adbpath + QLatin1Char(';');
}
