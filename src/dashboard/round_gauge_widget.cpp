#include "dashboard/round_gauge_widget.h"

#include "dashboard/gauge_state.h"
#include "dashboard/spoken_reading.h"

#include <QAccessibleValueInterface>
#include <QAccessibleWidget>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>

namespace {

QString scaleText(double value)
{
    return QString::number(value, 'g', 6);
}

QString readingText(const GaugeState &g)
{
    return QStringLiteral("%1 (%2, scale %3 to %4)")
        .arg(scaleText(g.GaugeValue), g.GaugeText, scaleText(g.GaugeMin), scaleText(g.GaugeMax));
}

// Screen readers read a dial as a value within its range; an indicator
// reaches them as a role they do not know and is read as nothing.
class GaugeAccessible : public QAccessibleWidget, public QAccessibleValueInterface
{
public:
    explicit GaugeAccessible(RoundGauge *gauge)
        : QAccessibleWidget(gauge, QAccessible::Dial)
    {
    }
    const GaugeState &gauge() const { return static_cast<RoundGauge *>(widget())->state(); }

    QString text(QAccessible::Text t) const override
    {
        if (t == QAccessible::Value)
            return readingText(gauge());
        return QAccessibleWidget::text(t);
    }
    QAccessible::State state() const override
    {
        QAccessible::State s = QAccessibleWidget::state();
        s.readOnly = true;
        return s;
    }
    void *interface_cast(QAccessible::InterfaceType type) override
    {
        if (type == QAccessible::ValueInterface)
            return static_cast<QAccessibleValueInterface *>(this);
        return QAccessibleWidget::interface_cast(type);
    }
    QVariant currentValue() const override { return gauge().GaugeValue; }
    void setCurrentValue(const QVariant &) override {}
    QVariant maximumValue() const override { return gauge().GaugeMax; }
    QVariant minimumValue() const override { return gauge().GaugeMin; }
    QVariant minimumStepSize() const override { return 0; }
};

QAccessibleInterface *gaugeFactory(const QString &className, QObject *object)
{
    if (className == QLatin1String("RoundGauge") && object && object->isWidgetType())
        return new GaugeAccessible(static_cast<RoundGauge *>(object));
    return nullptr;
}

} // namespace

RoundGauge::RoundGauge(const GaugeState &state, int diameterLines, QWidget *parent)
    : QWidget(parent)
    , m_state(state)
    , m_diameterLines(diameterLines)
{
    static const bool installed = (QAccessible::installFactory(gaugeFactory), true);
    Q_UNUSED(installed);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
}

void RoundGauge::refresh()
{
    update();
    if (!takeNewReading(m_announced, readingText(m_state)))
        return;
    QAccessibleValueChangeEvent event(this, m_state.GaugeValue);
    QAccessible::updateAccessibility(&event);
}

QSize RoundGauge::sizeHint() const
{
    const int d = fontMetrics().height() * m_diameterLines;
    return {d, d};
}

QSize RoundGauge::minimumSizeHint() const
{
    const int d = fontMetrics().height() * std::max(6, m_diameterLines * 2 / 3);
    return {d, d};
}

QPointF RoundGauge::centre() const
{
    return {width() / 2.0, height() / 2.0};
}

double RoundGauge::radius() const
{
    return std::max(1.0, (std::min(width(), height()) - 2) / 2.0);
}

double RoundGauge::angleOf(double value) const
{
    const double span = m_state.GaugeMax - m_state.GaugeMin;
    // A scale of no width has nowhere to put the needle but its start.
    if (!(span > 0) || !std::isfinite(value))
        return kStartAngle;
    const double f = std::clamp((value - m_state.GaugeMin) / span, 0.0, 1.0);
    return kStartAngle - kSweep * f;
}

double RoundGauge::needleAngle() const
{
    return angleOf(m_state.GaugeValue);
}

void RoundGauge::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QPointF c = centre();
    const double r = radius();
    const QRectF dial(c.x() - r, c.y() - r, 2 * r, 2 * r);

    p.setPen(QPen(palette().color(QPalette::Mid), std::max(1.0, r / 60)));
    p.setBrush(palette().color(QPalette::Base));
    p.drawEllipse(dial.adjusted(1, 1, -1, -1));

    // Zones as thick arcs inside the rim, later zones over earlier ones.
    const double bandWidth = r * 0.12;
    const double bandRadius = r * 0.82;
    const QRectF bandRect(c.x() - bandRadius, c.y() - bandRadius, 2 * bandRadius, 2 * bandRadius);
    for (int i = 0; i < 3; ++i) {
        const GaugeState::Band &b = m_state.bands[i];
        const double a1 = angleOf(std::min(b.start, b.end));
        const double a2 = angleOf(std::max(b.start, b.end));
        if (a1 == a2)
            continue;
        p.setPen(QPen(QColor(kZoneColours[i]), bandWidth, Qt::SolidLine, Qt::FlatCap));
        p.drawArc(bandRect, int(std::lround(a2 * 16)), int(std::lround((a1 - a2) * 16)));
    }

    // Ticks and the scale's figures at the ends and in the middle.
    const QColor ink = palette().color(QPalette::WindowText);
    QFont small = font();
    small.setPointSizeF(std::max(6.0, font().pointSizeF() * std::clamp(r / (fontMetrics().height() * 5.0), 0.7, 1.2)));
    p.setFont(small);
    const QFontMetricsF fm(small);
    for (int i = 0; i <= 10; ++i) {
        const double a = qDegreesToRadians(kStartAngle - kSweep * i / 10.0);
        const QPointF dir(std::cos(a), -std::sin(a));
        const double inner = i % 5 == 0 ? r * 0.66 : r * 0.72;
        p.setPen(QPen(ink, i % 5 == 0 ? 2 : 1));
        p.drawLine(c + dir * inner, c + dir * (r * 0.76));
        if (i % 5 == 0) {
            const double value = m_state.GaugeMin + (m_state.GaugeMax - m_state.GaugeMin) * i / 10.0;
            const QString t = scaleText(value);
            const QPointF at = c + dir * (r * 0.66 - fm.height() * 0.8);
            const QRectF box(at.x() - fm.horizontalAdvance(t) / 2 - 1, at.y() - fm.height() / 2,
                             fm.horizontalAdvance(t) + 2, fm.height());
            p.drawText(box, Qt::AlignCenter, t);
        }
    }

    QFont bold = font();
    bold.setBold(true);
    p.setFont(bold);
    const QFontMetricsF bm(bold);
    p.setPen(ink);
    // The text sits in the open quarter under the hub, clear of the scale's end figures.
    p.drawText(QRectF(c.x() - r, c.y() + r * 0.62 - bm.height() / 2, 2 * r, bm.height()), Qt::AlignCenter,
               m_state.GaugeText);

    const double a = qDegreesToRadians(needleAngle());
    const QPointF dir(std::cos(a), -std::sin(a));
    const QColor needle = palette().color(QPalette::Text);
    p.setPen(QPen(needle, std::max(2.0, r / 40), Qt::SolidLine, Qt::RoundCap));
    p.drawLine(c - dir * (r * 0.1), c + dir * (r * 0.78));
    p.setPen(Qt::NoPen);
    p.setBrush(needle);
    p.drawEllipse(c, r * 0.06, r * 0.06);
}
