#include "common/status_list.h"

StatusList::StatusList(QObject *parent)
    : QStringListModel(parent)
{
}

void StatusList::add(const QString &line)
{
    if (rowCount() >= kMaxLines)
        removeRows(0, rowCount() - kMaxLines + 1);
    const int row = rowCount();
    insertRows(row, 1);
    setData(index(row), line);
}

void StatusList::clear()
{
    setStringList({});
}
