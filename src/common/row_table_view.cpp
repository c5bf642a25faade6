#include "common/row_table_view.h"

#include "common/row_table_model.h"

#include <QHeaderView>
#include <QTableView>

namespace {

// The widest text a column can show in normal use: its picture with every
// digit place an 8, plus room for grouping that the picture implies.
QString widestText(const RowTableModel::Column &column)
{
    switch (column.kind) {
    case RowTableModel::Kind::Plain:
        return QStringLiteral("88");
    case RowTableModel::Kind::Date:
        return QStringLiteral("88:88:8888");
    case RowTableModel::Kind::Time:
        return QStringLiteral("88:88:88");
    case RowTableModel::Kind::Number:
        break;
    }
    QString text = column.picture;
    text.replace(QLatin1Char('#'), QLatin1Char('8')).replace(QLatin1Char('0'), QLatin1Char('8'));
    return QLatin1Char('-') + text;
}

} // namespace

void setUpRowTableView(QTableView *view, RowTableModel &model)
{
    view->setModel(&model);
    view->setSelectionBehavior(QAbstractItemView::SelectRows);
    view->setSelectionMode(QAbstractItemView::ExtendedSelection);
    view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    view->setWordWrap(false);
    view->verticalHeader()->hide();
    view->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    view->verticalHeader()->setDefaultSectionSize(view->fontMetrics().height() + 4);
    view->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    const double dpi = view->logicalDpiX();
    const QFontMetrics fm = view->fontMetrics();
    const QFontMetrics headerFm = view->horizontalHeader()->fontMetrics();
    const int padding = 3 * fm.averageCharWidth();
    const auto &columns = model.columns();
    for (int c = 0; c < columns.size(); ++c) {
        const RowTableModel::Column &column = columns.at(c);
        const int designed = qRound(column.widthTwips * dpi / 1440.0);
        const int needed = qMax(headerFm.horizontalAdvance(column.header), fm.horizontalAdvance(widestText(column)));
        view->setColumnWidth(c, qMax(designed, needed + padding));
    }
}
