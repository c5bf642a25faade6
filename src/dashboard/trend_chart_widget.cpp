#include "dashboard/trend_chart_widget.h"

#include "common/number_picture.h"
#include "common/rounding.h"
#include "dashboard/spoken_reading.h"

#include <QAccessibleWidget>
#include <QPainter>

#include <array>
#include <cmath>

namespace {

// A screen reader reads a chart by its name, so the name carries, after what
// the chart is, the figures a sighted reader takes from the picture.
class ChartAccessible : public QAccessibleWidget
{
public:
    explicit ChartAccessible(TrendChart *chart)
        : QAccessibleWidget(chart, QAccessible::Chart)
    {
    }
    QString text(QAccessible::Text t) const override
    {
        const QString reading = static_cast<TrendChart *>(widget())->reading();
        if (t == QAccessible::Value)
            return reading;
        if (t == QAccessible::Name)
            return widget()->accessibleName() + QStringLiteral(": ") + reading;
        return QAccessibleWidget::text(t);
    }
};

QAccessibleInterface *chartFactory(const QString &className, QObject *object)
{
    if (className == QLatin1String("TrendChart") && object && object->isWidgetType())
        return new ChartAccessible(static_cast<TrendChart *>(object));
    return nullptr;
}

} // namespace

TrendChart::TrendChart(const ChartHistory &history, ChartHistory::Chart chart, QWidget *parent)
    : QWidget(parent)
    , m_history(history)
    , m_chart(chart)
{
    static const bool installed = (QAccessible::installFactory(chartFactory), true);
    Q_UNUSED(installed);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

QString TrendChart::reading() const
{
    const bool volts = m_chart == ChartHistory::Voltage;
    const QString picture = volts ? QStringLiteral("###.0") : QStringLiteral("##,##0");
    const QString unit = volts ? QStringLiteral(" V") : QStringLiteral(" W");
    const auto figure = [&](double v) { return formatNumber(v, picture) + unit; };
    return QStringLiteral("latest %1, minimum %2, maximum %3, range shown 0 to %4")
        .arg(figure(m_history.pictureValue(m_chart, ChartHistory::kPointCount)), figure(m_history.minimum(m_chart)),
             figure(m_history.maximum(m_chart)), figure(m_history.pictureScale(m_chart)));
}

void TrendChart::refresh()
{
    update();
    announceReading(this, m_announced, reading());
}

QColor TrendChart::traceColour(ChartHistory::Chart chart)
{
    static const std::array<QColor, ChartHistory::ChartCount> colours = {
        QColor(255, 0, 0), QColor(0, 0, 255), QColor(0, 255, 0), QColor(128, 128, 128)};
    return colours[chart];
}

QSize TrendChart::sizeHint() const
{
    const int line = fontMetrics().height();
    return {line * 28, line * 10};
}

QSize TrendChart::minimumSizeHint() const
{
    const int line = fontMetrics().height();
    return {line * 8, line * 4};
}

void TrendChart::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.fillRect(rect(), Qt::white);
    // The last pixel row and column are the field's bottom and right edges.
    const double w = width() - 1;
    const double h = height() - 1;

    p.setPen(QPen(QColor(kGridColour), 1, Qt::DotLine));
    for (int i = 1; i <= 10; ++i) {
        const int y = int(std::lround(i * h / 10));
        p.drawLine(0, y, int(w), y);
    }
    for (int i = 1; i <= 11; ++i) {
        const int x = int(std::lround(i * w / 12));
        p.drawLine(x, 0, x, int(h));
    }

    const double scale = m_history.pictureScale(m_chart);
    // A scale of nothing has no heights to draw.
    if (!(scale > 0))
        return;
    const double s = h / scale;
    const double d = w / ChartHistory::kPointCount;
    // The pen starts where the grid ended, at the bottom of the left edge.
    std::array<QPointF, ChartHistory::kPointCount + 2> points;
    points[0] = QPointF(0, h);
    for (int i = 0; i <= ChartHistory::kPointCount; ++i) {
        // Far-off values still draw as lines that leave the field.
        const double y = std::clamp(h - m_history.pictureValue(m_chart, i) * s, -h * 1000, h * 1000);
        points[i + 1] = QPointF(roundHalfEven(i * d), std::round(y));
    }
    p.setPen(QPen(traceColour(m_chart), 1));
    p.drawPolyline(points.data(), int(points.size()));
}
