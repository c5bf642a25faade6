#pragma once

#include <QList>
#include <QWidget>

class HistoryTableModel;

// The period's stacked bars, painted. Each bar's value shows on hover and on
// keyboard focus (Left and Right move it, Enter opens the bar); a click or
// Enter asks for the bar's own period. A screen reader finds each bar and
// the total as a child named with its value.
class HistoryChartWidget : public QWidget
{
    Q_OBJECT
public:
    explicit HistoryChartWidget(HistoryTableModel &table, QWidget *parent = nullptr);
    ~HistoryChartWidget() override;

    // Repaints and renames the bars after the table changed.
    void refresh();
    int focusedBar() const { return m_focus; }
    // The bar under a point of the widget, or -1.
    int barAt(const QPoint &point) const;
    QRect barRect(int bar) const;
    // The row of the bars' labels under the plot, and below it the readout,
    // tall enough for the longest value wrapped to the width.
    QRect axisLabelsRect() const;
    QRect readoutRect() const;
    // The values of the bar with focus (or under the pointer), as shown.
    QString readout() const;
    int barCount() const;
    QString barName(int bar) const;
    // The labelled heights of the energy axis (left) and of the cost axis
    // (right), bottom up, each a round step of its own scale. The cost axis
    // is there only where the cost follows the bars' height (Channels).
    struct Tick
    {
        double value;
        QString text;
    };
    QList<Tick> energyTicks() const;
    QList<Tick> costTicks() const;

    QSize minimumSizeHint() const override { return {420, 180}; }
    QSize sizeHint() const override { return {760, 300}; }

signals:
    void barActivated(int bar);

protected:
    void paintEvent(QPaintEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void leaveEvent(QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    QRect plotRect() const;
    double scaleTop() const;
    // The energy at the top of the plot: a whole number of axis steps.
    double ceiling() const;
    void setFocusedBar(int bar);
    void measureReadout();

    HistoryTableModel &m_table;
    int m_focus = -1;
    int m_hover = -1;
    int m_readoutHeight = 0;
};
