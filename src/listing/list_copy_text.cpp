#include "listing/list_copy_text.h"

#include <QAbstractItemModel>

ListCopyText listCopyText(const QAbstractItemModel &lvCopy, bool bIncludeHeaders, int lFirstCol, int lLastCol,
                          bool bCopyAll, const std::function<bool(int)> &isSelected)
{
    const QLatin1String lineEnd("\r\n");
    const QChar tab(QLatin1Char('\t'));
    if (lLastCol == -1)
        lLastCol = lvCopy.columnCount();

    ListCopyText out;
    if (bIncludeHeaders) {
        for (int i = lFirstCol; i <= lLastCol; ++i)
            out.text += lvCopy.headerData(i - 1, Qt::Horizontal).toString() + tab;
        out.text += lineEnd;
    }
    const int rows = lvCopy.rowCount();
    for (int row = 0; row < rows; ++row) {
        if (!bCopyAll && !(isSelected && isSelected(row)))
            continue;
        QString line = lvCopy.index(row, 0).data().toString();
        for (int j = lFirstCol; j < lLastCol; ++j)
            line += tab + lvCopy.index(row, j).data().toString();
        out.text += line + lineEnd;
        ++out.count;
    }
    return out;
}
