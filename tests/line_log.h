#pragma once

#include "common/status_list.h"

#include <QStringList>

// Every line ever added to a status list, including those a later clear()
// took away again.
struct LineLog
{
    explicit LineLog(StatusList &list)
    {
        QObject::connect(&list, &QAbstractItemModel::dataChanged, &list,
                         [this, &list](const QModelIndex &from) { lines << list.data(from).toString(); });
    }
    QStringList lines;
};
