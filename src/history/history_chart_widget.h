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
    // The values of the bar with focus (or under the pointer), as shown.
    QString readout() const;
    int barCount() const;
    QString barName(int bar) const;

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

private:
    QRect plotRect() const;
    double scaleTop() const;
    void setFocusedBar(int bar);

    HistoryTableModel &m_table;
    int m_focus = -1;
    int m_hover = -1;
};
