#include "dashboard/odometer_widget.h"

#include "dashboard/spoken_reading.h"

#include <QAccessibleWidget>
#include <QPainter>

namespace {

// The label painted beside the boxes, as users know it; the digits are
// watt-hours, and that is what a screen reader says.
const QString kUnit = QStringLiteral("KWh");
const QString kSpokenUnit = QStringLiteral("Wh");
constexpr int kBoxes = 10;

// A screen reader reads a static text by its name, so the name carries the
// reading after what the odometer counts: "CH1 energy 0000001235 Wh".
class OdometerAccessible : public QAccessibleWidget
{
public:
    explicit OdometerAccessible(Odometer *odometer)
        : QAccessibleWidget(odometer, QAccessible::StaticText)
    {
    }
    QString text(QAccessible::Text t) const override
    {
        const QString reading = static_cast<Odometer *>(widget())->reading();
        if (t == QAccessible::Value)
            return reading;
        if (t == QAccessible::Name)
            return QStringList{widget()->accessibleName(), reading}.join(QLatin1Char(' ')).trimmed();
        return QAccessibleWidget::text(t);
    }
};

QAccessibleInterface *odometerFactory(const QString &className, QObject *object)
{
    if (className == QLatin1String("Odometer") && object && object->isWidgetType())
        return new OdometerAccessible(static_cast<Odometer *>(object));
    return nullptr;
}

} // namespace

Odometer::Odometer(std::function<QString()> digits, QWidget *parent)
    : QWidget(parent)
    , m_digits(std::move(digits))
{
    static const bool installed = (QAccessible::installFactory(odometerFactory), true);
    Q_UNUSED(installed);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

QString Odometer::reading() const
{
    const QString d = digits();
    return d.isEmpty() ? QString() : d + QLatin1Char(' ') + kSpokenUnit;
}

void Odometer::refresh()
{
    update();
    announceReading(this, m_announced, reading());
}

int Odometer::boxWidth() const
{
    return fontMetrics().horizontalAdvance(QLatin1Char('8')) * 2;
}

QSize Odometer::sizeHint() const
{
    const QFontMetrics fm = fontMetrics();
    return {boxWidth() * kBoxes + fm.horizontalAdvance(QLatin1Char(' ') + kUnit) + 2, fm.height() * 3 / 2};
}

QRect Odometer::boxRect(int box) const
{
    const int w = boxWidth();
    return QRect((kBoxes - box) * w, 0, w - 1, height() - 1);
}

void Odometer::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    const QString d = digits();
    for (int box = 1; box <= kBoxes; ++box) {
        const QRect r = boxRect(box);
        p.fillRect(r, palette().color(QPalette::Base));
        p.setPen(palette().color(QPalette::Mid));
        p.drawRect(r);
        p.setPen(palette().color(QPalette::Text));
        if (d.size() >= box)
            p.drawText(r, Qt::AlignCenter, d.mid(d.size() - box, 1));
    }
    p.setPen(palette().color(QPalette::WindowText));
    p.drawText(QRect(kBoxes * boxWidth(), 0, width() - kBoxes * boxWidth(), height()),
               Qt::AlignVCenter | Qt::AlignRight, kUnit);
}
