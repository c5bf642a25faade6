#include "common/list_copy_text.h"

#include "common/csv_text.h"

#include <QAbstractItemModel>
#include <QStringList>

namespace {

QStringList headerFields(const QAbstractItemModel &model, int lFirstCol, int lLastCol)
{
    QStringList fields;
    for (int i = lFirstCol; i <= lLastCol; ++i)
        fields << model.headerData(i - 1, Qt::Horizontal).toString();
    return fields;
}

// A row as the copy takes it: the first column, then lFirstCol + 1 to lLastCol.
QStringList rowFields(const QAbstractItemModel &model, int row, int lFirstCol, int lLastCol)
{
    QStringList fields{model.index(row, 0).data().toString()};
    for (int j = lFirstCol; j < lLastCol; ++j)
        fields << model.index(row, j).data().toString();
    return fields;
}

} // namespace

ListCopyText listCopyText(const QAbstractItemModel &lvCopy, bool bIncludeHeaders, int lFirstCol, int lLastCol,
                          bool bCopyAll, const std::function<bool(int)> &isSelected)
{
    const QLatin1String lineEnd("\r\n");
    const QChar tab(QLatin1Char('\t'));
    if (lLastCol == -1)
        lLastCol = lvCopy.columnCount();

    ListCopyText out;
    if (bIncludeHeaders) {
        for (const QString &header : headerFields(lvCopy, lFirstCol, lLastCol))
            out.text += header + tab;
        out.text += lineEnd;
    }
    const int rows = lvCopy.rowCount();
    for (int row = 0; row < rows; ++row) {
        if (!bCopyAll && !(isSelected && isSelected(row)))
            continue;
        out.text += rowFields(lvCopy, row, lFirstCol, lLastCol).join(tab) + lineEnd;
        ++out.count;
    }
    return out;
}

QString listCsvText(const QAbstractItemModel &model)
{
    const auto line = [](const QStringList &fields) {
        QStringList quoted;
        for (const QString &field : fields)
            quoted << csvField(field);
        return quoted.join(QLatin1Char(',')) + QStringLiteral("\r\n");
    };
    const int columns = model.columnCount();
    QString text = line(headerFields(model, 1, columns));
    for (int row = 0; row < model.rowCount(); ++row)
        text += line(rowFields(model, row, 1, columns));
    return text;
}
