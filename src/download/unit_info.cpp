#include "download/unit_info.h"

namespace UnitInfo {

QString deviceIdText(const QByteArray &identification)
{
    QString text;
    for (char c : identification)
        text += QStringLiteral("%1").arg(quint8(c) % 100, 2, 10, QLatin1Char('0'));
    return text;
}

int recordCount(qint64 fillPointer)
{
    const qint64 above = fillPointer - kFirstRecordAddress;
    // Floor, not truncation: 111 gives -1.
    return int(above >= 0 ? above / kRecordBytes : -((-above + kRecordBytes - 1) / kRecordBytes));
}

} // namespace UnitInfo
