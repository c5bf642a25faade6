#pragma once

#include <QStringListModel>

// A list of progress and error lines shown in a list box. Logic adds lines;
// windows show the model with a view; tests read lines(). It keeps the
// newest kMaxLines, so a stream of rejected packets cannot grow it for ever.
class StatusList : public QStringListModel
{
    Q_OBJECT
public:
    static constexpr int kMaxLines = 1000;

    explicit StatusList(QObject *parent = nullptr);

    void add(const QString &line);
    void clear();
    int count() const { return rowCount(); }
    QStringList lines() const { return stringList(); }
};
