#include "common/row_table_model.h"

#include "common/date_picture.h"
#include "common/number_picture.h"

#include <cmath>
#include <limits>

namespace {

constexpr double kEmpty = std::numeric_limits<double>::quiet_NaN();

} // namespace

RowTableModel::RowTableModel(QList<Column> columns, int cap, QObject *parent)
    : QAbstractTableModel(parent)
    , m_columns(std::move(columns))
    , m_cap(cap)
{
    Q_ASSERT(m_columns.size() <= kMaxColumns);
}

RowTableModel::Row RowTableModel::makeRow(const QDateTime &when, std::initializer_list<std::optional<double>> values) const
{
    Row row;
    row.fill(kEmpty);
    auto next = values.begin();
    for (qsizetype c = 0; c < m_columns.size(); ++c) {
        switch (m_columns.at(c).kind) {
        case Kind::Date:
            // Day numbers and milliseconds of the day, not an instant: the
            // row shows the wall-clock date and time it was written at, even
            // across a change of time zone or daylight saving.
            row[c] = double(when.date().toJulianDay());
            break;
        case Kind::Time:
            row[c] = double(when.time().msecsSinceStartOfDay());
            break;
        default:
            if (next != values.end()) {
                row[c] = next->value_or(kEmpty);
                ++next;
            }
        }
    }
    return row;
}

void RowTableModel::addRow(const Row &row)
{
    beginInsertRows({}, 0, 0);
    m_rows.push_front(row);
    endInsertRows();
    if (int(m_rows.size()) > m_cap) {
        beginRemoveRows({}, m_cap, int(m_rows.size()) - 1);
        m_rows.resize(m_cap);
        endRemoveRows();
    }
}

void RowTableModel::clear()
{
    if (m_rows.empty())
        return;
    beginResetModel();
    m_rows.clear();
    m_rows.shrink_to_fit();
    endResetModel();
}

QString RowTableModel::text(int row, int column) const
{
    const double v = value(row, column);
    if (std::isnan(v))
        return {};
    const Column &c = m_columns.at(column);
    const QLocale locale = m_locale.value_or(QLocale());
    switch (c.kind) {
    case Kind::Plain:
        return QString::number(qint64(v));
    case Kind::Date:
        return formatDate(QDateTime(QDate::fromJulianDay(qint64(v)), QTime(0, 0), Qt::UTC), QStringLiteral("dd:mm:yyyy"),
                          locale);
    case Kind::Time:
        return formatDate(QDateTime(QDate(2000, 1, 1), QTime::fromMSecsSinceStartOfDay(int(v)), Qt::UTC),
                          QStringLiteral("hh:nn:ss"), locale);
    case Kind::Number:
        return formatNumber(v, c.picture, locale);
    }
    return {};
}

int RowTableModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

int RowTableModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_columns.size());
}

QVariant RowTableModel::data(const QModelIndex &index, int role) const
{
    if (role != Qt::DisplayRole || !checkIndex(index, CheckIndexOption::IndexIsValid))
        return {};
    return text(index.row(), index.column());
}

QVariant RowTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 || section >= m_columns.size())
        return QAbstractTableModel::headerData(section, orientation, role);
    return m_columns.at(section).header;
}
