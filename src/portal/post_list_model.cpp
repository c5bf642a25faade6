#include "portal/post_list_model.h"

namespace {

QList<RowTableModel::Column> postColumns()
{
    using K = RowTableModel::Kind;
    return {
        {QStringLiteral("Trigger Source"), 1300, K::Plain, {}},
        {QStringLiteral("Trig 1"), 800, K::Number, QStringLiteral("###,##0")},
        {QStringLiteral("Trig 2"), 800, K::Number, QStringLiteral("###,##0")},
        {QStringLiteral("Time of Post"), 1200, K::Time, {}},
        {QStringLiteral("CH1 Watt"), 1100, K::Number, QStringLiteral("###,##0")},
        {QStringLiteral("CH2 Watt"), 1100, K::Number, QStringLiteral("###,##0")},
        {QStringLiteral("Volt"), 1000, K::Number, QStringLiteral("###.0")},
        {QStringLiteral("CH1 KWh"), 1400, K::Number, QStringLiteral("###,###.000")},
        {QStringLiteral("CH2 KWh"), 1400, K::Number, QStringLiteral("###,###.000")},
        {QStringLiteral("CH1 Amp"), 900, K::Number, QStringLiteral("###.0")},
        {QStringLiteral("CH2 Amp"), 900, K::Number, QStringLiteral("###.0")},
    };
}

} // namespace

PostListModel::PostListModel(QObject *parent)
    : RowTableModel(postColumns(), kCap, parent)
{
}

QString PostListModel::sourceText(int sourceFlags)
{
    // CH2 replaces CH1 when both settle on one sample.
    QString text;
    if (sourceFlags & ByCh2)
        text = QStringLiteral("CH2 / ");
    else if (sourceFlags & ByCh1)
        text = QStringLiteral("CH1 / ");
    if (sourceFlags & ByTimeOut)
        text += QStringLiteral(" Time out");
    return text;
}

QString PostListModel::cellText(int row, int column) const
{
    return column == TriggerSource ? sourceText(int(value(row, column))) : text(row, column);
}

QVariant PostListModel::data(const QModelIndex &index, int role) const
{
    if (role == Qt::DisplayRole && index.column() == TriggerSource && checkIndex(index, CheckIndexOption::IndexIsValid))
        return sourceText(int(value(index.row(), TriggerSource)));
    return RowTableModel::data(index, role);
}
