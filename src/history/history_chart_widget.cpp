#include "history/history_chart_widget.h"

#include "history/history_table_model.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QKeyEvent>
#include <QPainter>
#include <QToolTip>

#include <cmath>

namespace {

const QColor kSeriesColours[] = {QColor(0x1f, 0x77, 0xb4), QColor(0xff, 0x7f, 0x0e), QColor(0x2c, 0xa0, 0x2c)};

// One bar, or the total after the last bar, as a screen reader finds it.
class BarAccessible : public QAccessibleInterface
{
public:
    BarAccessible(HistoryChartWidget *chart, int bar) : m_chart(chart), m_bar(bar) {}
    bool isValid() const override { return m_chart; }
    QObject *object() const override { return nullptr; }
    QWindow *window() const override { return m_chart ? m_chart->window()->windowHandle() : nullptr; }
    QAccessibleInterface *childAt(int, int) const override { return nullptr; }
    QAccessibleInterface *parent() const override { return QAccessible::queryAccessibleInterface(m_chart); }
    QAccessibleInterface *child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface *) const override { return -1; }
    QString text(QAccessible::Text t) const override
    {
        return t == QAccessible::Name || t == QAccessible::Value ? m_chart->barName(m_bar) : QString();
    }
    void setText(QAccessible::Text, const QString &) override {}
    QRect rect() const override
    {
        const QRect r = m_chart->barRect(m_bar);
        return r.isValid() ? QRect(m_chart->mapToGlobal(r.topLeft()), r.size()) : QRect();
    }
    QAccessible::Role role() const override { return QAccessible::StaticText; }
    QAccessible::State state() const override
    {
        QAccessible::State s;
        s.focusable = true;
        s.focused = m_chart->hasFocus() && m_chart->focusedBar() == m_bar;
        return s;
    }

private:
    QPointer<HistoryChartWidget> m_chart;
    int m_bar;
};

class ChartAccessible : public QAccessibleWidget
{
public:
    explicit ChartAccessible(HistoryChartWidget *chart) : QAccessibleWidget(chart, QAccessible::Chart) {}
    ~ChartAccessible() override
    {
        for (QAccessible::Id id : m_ids)
            QAccessible::deleteAccessibleInterface(id);
    }
    HistoryChartWidget *chart() const { return static_cast<HistoryChartWidget *>(widget()); }
    int childCount() const override { return chart()->barCount(); }
    QAccessibleInterface *child(int index) const override
    {
        if (index < 0 || index >= childCount())
            return nullptr;
        while (m_ids.size() <= index) {
            auto *bar = new BarAccessible(chart(), int(m_ids.size()));
            m_ids << QAccessible::registerAccessibleInterface(bar);
        }
        return QAccessible::accessibleInterface(m_ids.at(index));
    }
    int indexOfChild(const QAccessibleInterface *child) const override
    {
        for (qsizetype i = 0; i < m_ids.size(); ++i)
            if (QAccessible::accessibleInterface(m_ids.at(i)) == child)
                return int(i);
        return -1;
    }
    QAccessibleInterface *focusChild() const override
    {
        return chart()->focusedBar() >= 0 ? child(chart()->focusedBar()) : nullptr;
    }
    QString text(QAccessible::Text t) const override
    {
        if (t == QAccessible::Description)
            return chart()->readout();
        return QAccessibleWidget::text(t);
    }

private:
    mutable QList<QAccessible::Id> m_ids;
};

QAccessibleInterface *chartFactory(const QString &className, QObject *object)
{
    if (className == QLatin1String("HistoryChartWidget") && object && object->isWidgetType())
        return new ChartAccessible(static_cast<HistoryChartWidget *>(object));
    return nullptr;
}

// A round step for an axis: 1, 2 or 5 times a power of ten.
double niceStep(double range)
{
    const double raw = range / 4;
    const double power = std::pow(10.0, std::floor(std::log10(raw)));
    for (double m : {1.0, 2.0, 5.0, 10.0})
        if (raw <= m * power)
            return m * power;
    return 10 * power;
}

} // namespace

HistoryChartWidget::HistoryChartWidget(HistoryTableModel &table, QWidget *parent)
    : QWidget(parent)
    , m_table(table)
{
    static const bool installed = (QAccessible::installFactory(chartFactory), true);
    Q_UNUSED(installed);
    setFocusPolicy(Qt::StrongFocus);
    setMouseTracking(true);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
}

HistoryChartWidget::~HistoryChartWidget() = default;

int HistoryChartWidget::barCount() const
{
    // The bars, then the total.
    return int(m_table.figures().bars.size()) + 1;
}

QString HistoryChartWidget::barName(int bar) const
{
    return m_table.barText(bar);
}

void HistoryChartWidget::refresh()
{
    if (m_focus >= int(m_table.figures().bars.size()))
        m_focus = int(m_table.figures().bars.size()) - 1;
    m_hover = -1;
    measureReadout();
    update();
    QAccessibleEvent event(this, QAccessible::NameChanged);
    QAccessible::updateAccessibility(&event);
}

QRect HistoryChartWidget::plotRect() const
{
    // The margins hold the widest label of each axis, in this locale.
    const QFontMetrics fm = fontMetrics();
    int left = fm.horizontalAdvance(QStringLiteral("kWh")), right = fm.horizontalAdvance(QStringLiteral("Cost"));
    for (const Tick &t : energyTicks())
        left = std::max(left, fm.horizontalAdvance(t.text));
    for (const Tick &t : costTicks())
        right = std::max(right, fm.horizontalAdvance(t.text));
    left += 8;
    right += 8;
    const int top = fm.height() * 2, below = fm.height() + 4 + m_readoutHeight + 4;
    return QRect(left, top, width() - left - right, std::max(1, height() - top - below));
}

QRect HistoryChartWidget::axisLabelsRect() const
{
    const QRect plot = plotRect();
    return QRect(0, plot.bottom() + 2, width(), fontMetrics().height());
}

QRect HistoryChartWidget::readoutRect() const
{
    return QRect(4, height() - m_readoutHeight - 4, width() - 8, m_readoutHeight);
}

void HistoryChartWidget::measureReadout()
{
    // The same height whichever bar is read out, so the plot stays still
    // while the pointer moves.
    const QFontMetrics fm = fontMetrics();
    const QRect room(0, 0, std::max(1, width() - 8), fm.height() * 20);
    int tallest = fm.height();
    for (int bar = 0; bar < barCount(); ++bar)
        tallest = std::max(tallest, fm.boundingRect(room, Qt::TextWordWrap | Qt::AlignHCenter, m_table.barText(bar)).height());
    m_readoutHeight = tallest;
}

double HistoryChartWidget::scaleTop() const
{
    double top = 0;
    for (const BarFigures &b : m_table.figures().bars) {
        double sum = 0;
        for (double v : HistoryTableModel::seriesValues(m_table.view(), b))
            sum += v;
        top = std::max(top, sum);
    }
    return top > 0 ? top : 1;
}

double HistoryChartWidget::ceiling() const
{
    const double step = niceStep(scaleTop());
    return std::ceil(scaleTop() / step) * step;
}

QList<HistoryChartWidget::Tick> HistoryChartWidget::energyTicks() const
{
    QList<Tick> ticks;
    const double step = niceStep(scaleTop()), top = ceiling();
    for (int i = 0; i * step <= top + step / 2; ++i)
        ticks << Tick{i * step, m_table.energyText(i * step)};
    return ticks;
}

QList<HistoryChartWidget::Tick> HistoryChartWidget::costTicks() const
{
    QList<Tick> ticks;
    const double top = ceiling() * m_table.rate();
    if (m_table.view() != HistoryView::Channels || !(top > 0))
        return ticks;
    // Cents at least, and as many decimals as a smaller step needs.
    const double step = niceStep(top);
    const int decimals = std::max(2, int(std::ceil(-std::log10(step) - 1e-9)));
    for (int i = 0; i * step <= top * (1 + 1e-9); ++i)
        ticks << Tick{i * step / m_table.rate(), m_table.moneyText(i * step, decimals)};
    return ticks;
}

QRect HistoryChartWidget::barRect(int bar) const
{
    const qsizetype n = m_table.figures().bars.size();
    if (bar < 0 || bar >= n)
        return {};
    const QRect plot = plotRect();
    const double slot = double(plot.width()) / double(n);
    const int gap = std::max(1, int(slot / 5));
    return QRect(plot.left() + int(slot * bar) + gap / 2, plot.top(), std::max(1, int(slot) - gap), plot.height());
}

int HistoryChartWidget::barAt(const QPoint &point) const
{
    for (int i = 0; i < int(m_table.figures().bars.size()); ++i)
        if (barRect(i).adjusted(-2, 0, 2, 0).contains(point))
            return i;
    return -1;
}

QString HistoryChartWidget::readout() const
{
    const int bar = m_hover >= 0 ? m_hover : m_focus;
    return bar >= 0 ? m_table.barText(bar) : m_table.barText(int(m_table.figures().bars.size()));
}

void HistoryChartWidget::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.fillRect(rect(), palette().base());
    const QRect plot = plotRect();
    const QFontMetrics fm = fontMetrics();
    const double top = ceiling();
    auto yOf = [&](double kwh) { return plot.bottom() - int(kwh / top * plot.height()); };

    // Each axis its own round steps: energy on the left with grid lines,
    // money on the right.
    for (const Tick &t : energyTicks()) {
        const int y = yOf(t.value);
        p.setPen(palette().color(QPalette::Midlight));
        p.drawLine(plot.left(), y, plot.right(), y);
        p.setPen(palette().color(QPalette::Text));
        p.drawText(QRect(0, y - fm.height() / 2, plot.left() - 4, fm.height()), Qt::AlignRight | Qt::AlignVCenter, t.text);
    }
    const QList<Tick> costs = costTicks();
    for (const Tick &t : costs) {
        const int y = yOf(t.value);
        p.drawText(QRect(plot.right() + 6, y - fm.height() / 2, width() - plot.right() - 6, fm.height()),
                   Qt::AlignLeft | Qt::AlignVCenter, t.text);
    }
    p.drawText(QRect(0, 0, plot.left() + 40, fm.height() * 2), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("kWh"));
    if (!costs.isEmpty())
        p.drawText(QRect(plot.right() - 40, 0, width() - plot.right() + 40 - 4, fm.height() * 2), Qt::AlignRight | Qt::AlignVCenter,
                   QStringLiteral("Cost"));

    const QStringList names = HistoryTableModel::seriesNames(m_table.view());
    const QList<BarFigures> &bars = m_table.figures().bars;
    const int labelEvery = std::max(1, int(bars.size() * fm.horizontalAdvance(QStringLiteral("00:00 BST")) / std::max(1, plot.width())) + 1);
    for (int i = 0; i < int(bars.size()); ++i) {
        const QRect slot = barRect(i);
        const QList<double> values = HistoryTableModel::seriesValues(m_table.view(), bars[i]);
        double base = 0;
        for (qsizetype s = 0; s < values.size(); ++s) {
            const int y0 = plot.bottom() - int(base / top * plot.height());
            base += values[s];
            const int y1 = plot.bottom() - int(base / top * plot.height());
            p.fillRect(QRect(slot.left(), y1, slot.width(), y0 - y1), kSeriesColours[s % 3]);
        }
        if (bars[i].incomplete) {
            // A bar the program was off for part of: hatched over its whole height.
            p.fillRect(slot, QBrush(palette().color(QPalette::Mid), Qt::BDiagPattern));
        }
        if (i == m_focus || i == m_hover) {
            p.setPen(QPen(palette().color(QPalette::Highlight), 2));
            p.drawRect(slot.adjusted(-1, -1, 1, 1));
        }
        if (i % labelEvery == 0) {
            p.setPen(palette().color(QPalette::Text));
            p.drawText(QRect(slot.center().x() - 60, axisLabelsRect().top(), 120, fm.height()), Qt::AlignHCenter | Qt::AlignTop,
                       bars[i].label);
        }
    }
    // The legend, then the readout of the bar with focus.
    int x = plot.left();
    for (qsizetype s = 0; s < names.size(); ++s) {
        p.fillRect(QRect(x, fm.height() / 2, fm.height() - 4, fm.height() - 4), kSeriesColours[s % 3]);
        x += fm.height();
        p.setPen(palette().color(QPalette::Text));
        p.drawText(x, fm.height() / 2 + fm.ascent() - 2, names[s]);
        x += fm.horizontalAdvance(names[s]) + fm.height();
    }
    p.drawText(readoutRect(), Qt::AlignHCenter | Qt::AlignTop | Qt::TextWordWrap, readout());
    if (hasFocus()) {
        p.setPen(QPen(palette().color(QPalette::Highlight), 1, Qt::DotLine));
        p.drawRect(rect().adjusted(0, 0, -1, -1));
    }
}

void HistoryChartWidget::setFocusedBar(int bar)
{
    m_focus = std::clamp(bar, 0, int(m_table.figures().bars.size()) - 1);
    update();
    if (auto *iface = QAccessible::queryAccessibleInterface(this); iface && m_focus >= 0) {
        QAccessibleEvent event(iface->child(m_focus), QAccessible::Focus);
        QAccessible::updateAccessibility(&event);
    }
}

void HistoryChartWidget::mouseMoveEvent(QMouseEvent *event)
{
    const int bar = barAt(event->position().toPoint());
    if (bar != m_hover) {
        m_hover = bar;
        update();
        if (bar >= 0)
            QToolTip::showText(event->globalPosition().toPoint(), m_table.barText(bar), this);
        else
            QToolTip::hideText();
    }
}

void HistoryChartWidget::mousePressEvent(QMouseEvent *event)
{
    const int bar = barAt(event->position().toPoint());
    if (bar >= 0 && event->button() == Qt::LeftButton) {
        setFocusedBar(bar);
        emit barActivated(bar);
    }
}

void HistoryChartWidget::leaveEvent(QEvent *)
{
    m_hover = -1;
    update();
}

void HistoryChartWidget::keyPressEvent(QKeyEvent *event)
{
    switch (event->key()) {
    case Qt::Key_Left:
        setFocusedBar(m_focus - 1);
        return;
    case Qt::Key_Right:
        setFocusedBar(m_focus + 1);
        return;
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Space:
        if (m_focus >= 0)
            emit barActivated(m_focus);
        return;
    default:
        QWidget::keyPressEvent(event);
    }
}

void HistoryChartWidget::resizeEvent(QResizeEvent *event)
{
    measureReadout();
    QWidget::resizeEvent(event);
}

void HistoryChartWidget::focusInEvent(QFocusEvent *event)
{
    if (m_focus < 0 && !m_table.figures().bars.isEmpty())
        m_focus = 0;
    QWidget::focusInEvent(event);
    update();
}
