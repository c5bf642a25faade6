#pragma once

#include <QAbstractTableModel>
#include <QDateTime>
#include <QList>
#include <QLocale>
#include <QString>

#include <array>
#include <deque>
#include <optional>

// A table of figures, newest row on top, at most `cap` rows: adding a row
// past the cap drops the oldest. Rows hold numbers only; each column's
// picture turns them into text when a view (or a copy) asks, so a full table
// costs a few hundred bytes a row whatever is on screen.
class RowTableModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    enum class Kind {
        Plain,  // a whole number as it stands (a second, a minute, a day)
        Date,   // the row's date, "dd:mm:yyyy"
        Time,   // the row's time, "hh:nn:ss"
        Number, // formatted with the column's number picture
    };
    struct Column
    {
        QString header;
        int widthTwips = 1000;
        Kind kind = Kind::Number;
        QString picture; // for Kind::Number
    };

    static constexpr int kMaxColumns = 14;
    static constexpr int kDefaultCap = 1200;
    // A cell without a figure (an average of no samples) is shown empty.
    using Row = std::array<double, kMaxColumns>;

    explicit RowTableModel(QList<Column> columns, int cap = kDefaultCap, QObject *parent = nullptr);

    // A row for the given moment: Date and Time cells are filled from it,
    // the others from `values` in column order (Date and Time skipped).
    Row makeRow(const QDateTime &when, std::initializer_list<std::optional<double>> values) const;
    void addRow(const Row &row);
    void clear();

    const QList<Column> &columns() const { return m_columns; }
    int cap() const { return m_cap; }
    // The figure behind a cell; NaN when the cell is empty.
    double value(int row, int column) const { return m_rows.at(row).at(column); }
    QString text(int row, int column) const;

    // The locale for grouping and decimal marks; the user's unless set.
    void setLocale(const QLocale &locale) { m_locale = locale; }

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    QList<Column> m_columns;
    int m_cap;
    std::deque<Row> m_rows;
    std::optional<QLocale> m_locale;
};
