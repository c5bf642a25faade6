#pragma once

#include "common/row_table_model.h"

// The web window's post list: one row per post, newest on top, at most
// 1000 rows. The first column holds why the post was made as a set of
// flags and shows it as "CH1 / ", "CH2 / " and " Time out".
class PostListModel : public RowTableModel
{
    Q_OBJECT
public:
    static constexpr int kCap = 1000;
    enum Source { ByCh1 = 1, ByCh2 = 2, ByTimeOut = 4 };
    enum ColumnIndex { TriggerSource, Trig1, Trig2, TimeOfPost, Ch1Watt, Ch2Watt, Volt, Ch1KWh, Ch2KWh, Ch1Amp, Ch2Amp };

    explicit PostListModel(QObject *parent = nullptr);

    static QString sourceText(int sourceFlags);
    QString cellText(int row, int column) const;

    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
};
