#pragma once

#include "history/period_figures.h"

#include <QAbstractTableModel>
#include <QLocale>
#include <QStringList>

#include <limits>

// Channels: CH1 and CH2 energy. Solar: CH1 read as the inverter and CH2 as
// the grid connection, as the listing's renewable rows read them.
enum class HistoryView { Channels, Solar };

// The figures of a period as the window shows them, in text: one row per
// bar and a totals row, the readouts under it, and the spoken value of each
// bar. Copy and Export CSV take this text, so they take what is shown.
class HistoryTableModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    explicit HistoryTableModel(QObject *parent = nullptr);

    void show(const PeriodFigures &figures, HistoryView view, double rate);
    void setLocale(const QLocale &locale) { m_locale = locale; }
    // Bars that start after this moment (seconds since 1970) are still to
    // come: their rows are left blank rather than said to have no data.
    void setNow(qint64 utcSeconds) { m_nowUtc = utcSeconds; }
    const QLocale &locale() const { return m_locale; }
    double rate() const { return m_rate; }

    // The stacked parts of a bar, kWh, and their names.
    static QStringList seriesNames(HistoryView view);
    static QList<double> seriesValues(HistoryView view, const BarFigures &bar);
    // What the bar's height and the change against the previous period count.
    static double energy(HistoryView view, const BarFigures &bar);
    // Channels: all energy at the rate; Solar: what came from the grid.
    static double cost(HistoryView view, const BarFigures &bar, double rate);

    const PeriodFigures &figures() const { return m_figures; }
    HistoryView view() const { return m_view; }
    // "13:00: CH1 0.512 kWh, CH2 0.100 kWh, cost £0.08, incomplete".
    QString barText(int bar) const;
    // The readouts of the totals, each a line as shown.
    QStringList totalsLines() const { return m_totals; }
    QString energyText(double kwh) const;
    // Money in the locale's format; a locale that names no currency (C,
    // POSIX) gets the dollar of the Rate setting's box.
    QString moneyText(double amount, int decimals = 2) const;

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    QStringList rowOf(const BarFigures &bar) const;
    QString powerText(double w) const;

    PeriodFigures m_figures;
    HistoryView m_view = HistoryView::Channels;
    double m_rate = 0;
    qint64 m_nowUtc = std::numeric_limits<qint64>::max();
    QLocale m_locale;
    QStringList m_header;
    QList<QStringList> m_rows;
    QStringList m_totals;
};
