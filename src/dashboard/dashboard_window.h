#pragma once

#include "dashboard/chart_history.h"
#include "dashboard/realtime_dashboard.h"

#include <QTimer>
#include <QWidget>

#include <array>

class Odometer;
class QLabel;
class QPushButton;
class RealtimeControl;
class RoundGauge;
class TrendChart;

// "Real-Time Dashboard": four panels of gauges, odometers, readouts and
// trend charts on the dashboard's state. The figures belong to
// RealtimeDashboard and go on changing while this window is hidden or gone;
// closing it starts the scales and charts afresh.
class DashboardWindow : public QWidget
{
    Q_OBJECT
public:
    DashboardWindow(RealtimeDashboard &dashboard, RealtimeControl &realtime, QWidget *parent = nullptr);

    RoundGauge *gauge(RealtimeDashboard::Gauge g) const { return m_gauges[g]; }
    Odometer *odometer(RealtimeDashboard::Channel c) const { return m_odometers[c]; }
    TrendChart *chart(ChartHistory::Chart c) const { return m_charts[c]; }
    QLabel *powerBox(RealtimeDashboard::Channel c) const { return m_powerBoxes[c]; }
    QLabel *voltBox() const { return m_voltBox; }
    QLabel *minMaxBox(ChartHistory::Chart c) const { return m_minMaxBoxes[c]; }
    QLabel *dateLabel() const { return m_date; }
    QLabel *timeLabel() const { return m_time; }
    QWidget *statusBox() const { return m_status; }

protected:
    void closeEvent(QCloseEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    QWidget *buildPanel(int panel);
    void scheduleRefresh();
    void refresh();

    RealtimeDashboard &m_dashboard;
    RealtimeControl &m_realtime;
    std::array<RoundGauge *, RealtimeDashboard::GaugeCount> m_gauges{};
    std::array<Odometer *, RealtimeDashboard::ChannelCount> m_odometers{};
    std::array<TrendChart *, ChartHistory::ChartCount> m_charts{};
    std::array<QLabel *, RealtimeDashboard::ChannelCount> m_powerBoxes{};
    std::array<QLabel *, ChartHistory::ChartCount> m_minMaxBoxes{};
    QLabel *m_voltBox = nullptr;
    QLabel *m_date = nullptr;
    QLabel *m_time = nullptr;
    QWidget *m_status = nullptr;
    // Samples in a burst cost one refresh: the first schedules it, the
    // rest find it pending.
    QTimer m_refresh;
};
