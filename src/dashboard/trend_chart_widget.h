#pragma once

#include "dashboard/chart_history.h"

#include <QColor>
#include <QWidget>

// One trend chart: a white field with a dotted grey grid of ten rows and
// twelve columns and the chart's picture as a polyline from the left edge
// to the right, on a vertical range of 0 to the picture's scale. Values
// above the range leave the field at the top.
class TrendChart : public QWidget
{
    Q_OBJECT
public:
    static constexpr QRgb kGridColour = qRgb(192, 192, 192);

    TrendChart(const ChartHistory &history, ChartHistory::Chart chart, QWidget *parent = nullptr);

    static QColor traceColour(ChartHistory::Chart chart);
    ChartHistory::Chart chart() const { return m_chart; }
    const ChartHistory &history() const { return m_history; }
    // The picture's latest value (its right edge), the extremes and the
    // range shown, as a screen reader says them after the chart's name.
    QString reading() const;
    // Repaints and tells a screen reader when the reading changed.
    void refresh();

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    const ChartHistory &m_history;
    ChartHistory::Chart m_chart;
    QString m_announced;
};
