#pragma once

#include "common/status_box.h"
#include "dashboard/chart_history.h"
#include "dashboard/gauge_state.h"

#include <QDate>
#include <QObject>
#include <QString>

#include <array>
#include <cstdint>
#include <utility>

class Clock;
class SampleDispatch;
struct ProgramFlags;
struct RealtimeSample;

// The dashboard's figures: seven gauges, three energy odometers, the
// readouts and the four trend charts. It runs from program start, whether
// or not the dashboard window is open; the window only paints this state.
class RealtimeDashboard : public QObject
{
    Q_OBJECT
public:
    struct Parts
    {
        const ProgramFlags &flags;
        // The main window's real-time box: it changes when the watchdog or
        // a stop clears the real-time state.
        const StatusBox &realtimeBox;
        const Clock &clock;
    };

    enum Gauge { AL1, AL2, AL3, AL4, AS1, AS2, AS3, GaugeCount };
    // The three channels of gauges, odometers and power readouts.
    enum Channel { Ch1, Ch2, Total, ChannelCount };

    static constexpr const char *kOn = "Real-Time is ON";
    static constexpr const char *kOff = "Real-Time is OFF";
    // An idle channel's scale halves down to this and no further.
    static constexpr double kMinScale = 1;

    explicit RealtimeDashboard(const Parts &parts, QObject *parent = nullptr);

    // Adds `DoDash` as the next step of the per-sample dispatch.
    void installInto(SampleDispatch &dispatch);

    // Shows the current sample. Never throws: a failure abandons the rest of
    // this update and must not keep the portal from its sample.
    void DoDash(const RealtimeSample &sample) noexcept;

    const GaugeState &gauge(Gauge g) const { return m_gauges[g]; }
    // Ten digits, the first the highest; empty until the first update.
    QString odometer(Channel c) const { return m_odometers[c]; }
    QString powerText(Channel c) const { return m_powerTexts[c]; }
    QString voltText() const { return m_voltText; }
    QString minMaxText(ChartHistory::Chart chart) const { return m_minMaxTexts[chart]; }
    QString dateText() const { return m_dateText; }
    QString timeText() const { return m_timeText; }
    StatusBox &statusBox() { return m_status; }
    const ChartHistory &charts() const { return m_charts; }

    static QString chartToolTip(ChartHistory::Chart chart);
    static QString minMaxToolTip(ChartHistory::Chart chart);

    // The window was closed for good: a window opened later starts as a new
    // one would, with the designed scales and an empty history.
    void resetWindowContent();

signals:
    // The state changed; a window repaints what it shows.
    void updated();

private:
    void update(const RealtimeSample &s);
    void rangeUp(GaugeState &g, int64_t value);
    void rangeDown(GaugeState &g, double chartMax);
    void setPowerZones(Gauge g);
    void showRealtimeState();
    void setMinMaxText(ChartHistory::Chart chart, const QString &picture, const QString &unit);

    Parts m_parts;
    std::array<GaugeState, GaugeCount> m_gauges;
    std::array<QString, ChannelCount> m_odometers;
    std::array<QString, ChannelCount> m_powerTexts;
    QString m_voltText;
    std::array<QString, ChartHistory::ChartCount> m_minMaxTexts;
    // The extremes the texts were made from: they change far less often
    // than once a sample, and formatting is most of an update's cost.
    std::array<std::pair<double, double>, ChartHistory::ChartCount> m_shownExtremes;
    QDate m_shownDate;
    QString m_dateText;
    QString m_timeText;
    StatusBox m_status;
    ChartHistory m_charts;
};
