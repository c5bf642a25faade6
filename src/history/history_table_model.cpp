#include "history/history_table_model.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr int kEnergyDecimals = 3;
const QString kIncomplete = QStringLiteral("incomplete");

} // namespace

HistoryTableModel::HistoryTableModel(QObject *parent)
    : QAbstractTableModel(parent)
{
}

QStringList HistoryTableModel::seriesNames(HistoryView view)
{
    if (view == HistoryView::Channels)
        return {QStringLiteral("CH1"), QStringLiteral("CH2")};
    return {QStringLiteral("Solar used at home"), QStringLiteral("From grid"), QStringLiteral("To grid")};
}

QList<double> HistoryTableModel::seriesValues(HistoryView view, const BarFigures &bar)
{
    if (view == HistoryView::Channels)
        return {bar.energy(0), bar.energy(1)};
    const double solar = bar.energy(0), toGrid = bar.fed[1];
    return {std::max(0.0, solar - toGrid), bar.used[1], toGrid};
}

double HistoryTableModel::energy(HistoryView view, const BarFigures &bar)
{
    if (view == HistoryView::Channels)
        return bar.energy(0) + bar.energy(1);
    // Consumption: from the grid plus generated, less what went back.
    return bar.used[1] + bar.energy(0) - bar.fed[1];
}

double HistoryTableModel::cost(HistoryView view, const BarFigures &bar, double rate)
{
    return (view == HistoryView::Channels ? energy(view, bar) : bar.used[1]) * rate;
}

QString HistoryTableModel::energyText(double kwh) const
{
    return m_locale.toString(kwh, 'f', kEnergyDecimals);
}

QString HistoryTableModel::moneyText(double amount, int decimals) const
{
    if (m_locale.currencySymbol().isEmpty())
        return (amount < 0 ? QStringLiteral("-$") : QStringLiteral("$")) + m_locale.toString(std::abs(amount), 'f', decimals);
    return m_locale.toCurrencyString(amount, QString(), decimals);
}

QString HistoryTableModel::powerText(double w) const
{
    return m_locale.toString(w, 'f', 0);
}

QStringList HistoryTableModel::rowOf(const BarFigures &bar) const
{
    QStringList row{bar.label};
    if (!bar.hasData()) {
        while (row.size() < m_header.size() - 1)
            row << QString();
        row << (bar.incomplete ? kIncomplete : bar.startUtc > m_nowUtc ? QString() : QStringLiteral("no data"));
        return row;
    }
    for (double v : seriesValues(m_view, bar))
        row << energyText(v);
    row << energyText(energy(m_view, bar));
    row << moneyText(cost(m_view, bar, m_rate));
    for (int ch = 0; ch < 2; ++ch)
        row << (bar.powerCount[ch] ? powerText(bar.maxPower[ch]) : QString());
    row << (bar.incomplete ? kIncomplete : QString());
    return row;
}

void HistoryTableModel::show(const PeriodFigures &figures, HistoryView view, double rate)
{
    beginResetModel();
    m_figures = figures;
    m_view = view;
    m_rate = rate;
    m_header = QStringList{QStringLiteral("Period")};
    for (const QString &name : seriesNames(view))
        m_header << name + QStringLiteral(" kWh");
    m_header << (view == HistoryView::Solar ? QStringLiteral("Consumption kWh") : QStringLiteral("Total kWh"))
             << QStringLiteral("Cost") << QStringLiteral("CH1 highest W") << QStringLiteral("CH2 highest W")
             << QStringLiteral("Note");
    m_rows.clear();
    for (const BarFigures &bar : figures.bars)
        m_rows << rowOf(bar);
    m_rows << rowOf(figures.total);
    endResetModel();

    const BarFigures &t = figures.total;
    m_totals.clear();
    const QStringList names = seriesNames(view);
    const QList<double> values = seriesValues(view, t);
    QStringList parts;
    for (qsizetype i = 0; i < names.size(); ++i)
        parts << names[i] + QLatin1Char(' ') + energyText(values[i]) + QStringLiteral(" kWh");
    parts << (view == HistoryView::Solar ? QStringLiteral("Consumption ") : QStringLiteral("Total "))
                 + energyText(energy(view, t)) + QStringLiteral(" kWh");
    m_totals << QStringLiteral("Energy: ") + parts.join(QStringLiteral(", "));
    m_totals << QStringLiteral("Cost: ") + moneyText(cost(view, t, rate));
    QStringList highest, average;
    for (int ch = 0; ch < 2; ++ch) {
        const QString channel = QStringLiteral("CH%1 ").arg(ch + 1);
        if (t.powerCount[ch] == 0)
            continue;
        highest << channel + powerText(t.maxPower[ch]) + QStringLiteral(" W at ") + t.maxTime[ch];
        average << channel + powerText(t.powerSum[ch] / double(t.powerCount[ch])) + QStringLiteral(" W");
    }
    m_totals << QStringLiteral("Highest power: ") + (highest.isEmpty() ? QStringLiteral("none") : highest.join(QStringLiteral(", ")));
    m_totals << QStringLiteral("Average power: ") + (average.isEmpty() ? QStringLiteral("none") : average.join(QStringLiteral(", ")));
    QString change = QStringLiteral("no figures");
    const double before = figures.hasPrevious ? energy(view, figures.previous) : 0;
    if (figures.hasPrevious && before > 0) {
        const double percent = (energy(view, t) - before) / before * 100;
        change = (percent >= 0 ? QStringLiteral("+") : QString()) + m_locale.toString(percent, 'f', 1) + QLatin1Char('%');
    }
    if (figures.kind != PeriodKind::All)
        m_totals << QStringLiteral("Change against the previous %1: ").arg(HistoryPeriod::name(figures.kind).toLower()) + change;
    if (t.incomplete)
        m_totals << QStringLiteral("Incomplete: the program was off for part of this period");
}

QString HistoryTableModel::barText(int bar) const
{
    if (bar < 0 || bar >= m_rows.size())
        return {};
    const QStringList &row = m_rows.at(bar);
    QStringList parts;
    for (qsizetype c = 1; c < row.size(); ++c) {
        if (row.at(c).isEmpty())
            continue;
        parts << (c == row.size() - 1 ? row.at(c) : m_header.at(c) + QLatin1Char(' ') + row.at(c));
    }
    return row.at(0) + QStringLiteral(": ") + parts.join(QStringLiteral(", "));
}

int HistoryTableModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

int HistoryTableModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_header.size());
}

QVariant HistoryTableModel::data(const QModelIndex &index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid))
        return {};
    if (role == Qt::DisplayRole || role == Qt::AccessibleTextRole)
        return m_rows.at(index.row()).value(index.column());
    if (role == Qt::TextAlignmentRole && index.column() > 0)
        return int(Qt::AlignRight | Qt::AlignVCenter);
    return {};
}

QVariant HistoryTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 && section < m_header.size())
        return m_header.at(section);
    return QAbstractTableModel::headerData(section, orientation, role);
}
