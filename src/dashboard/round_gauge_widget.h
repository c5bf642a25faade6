#pragma once

#include <QColor>
#include <QWidget>

#include <array>

struct GaugeState;

// A round gauge painted from a GaugeState: a 270-degree scale from
// GaugeMin at the lower left to GaugeMax at the lower right, the three
// zones as coloured arcs, the needle and GaugeText under the hub. The needle
// stays on the scale whatever the value; zones may overlap or run backwards.
class RoundGauge : public QWidget
{
    Q_OBJECT
public:
    // Zone colours carry the meaning: normal, high, too high.
    static constexpr std::array<QRgb, 3> kZoneColours = {qRgb(0, 192, 0), qRgb(255, 192, 0), qRgb(224, 0, 0)};
    // Where on the dial the scale starts and how far it sweeps, in degrees
    // counter-clockwise from three o'clock.
    static constexpr double kStartAngle = 225;
    static constexpr double kSweep = 270;

    // `diameterLines` sizes the dial in lines of the widget's font.
    RoundGauge(const GaugeState &state, int diameterLines, QWidget *parent = nullptr);

    const GaugeState &state() const { return m_state; }
    // Repaints from the state and tells a screen reader when the reading changed.
    void refresh();
    // The needle's angle (degrees, counter-clockwise from three o'clock).
    double needleAngle() const;
    // The dial's centre and radius in widget coordinates.
    QPointF centre() const;
    double radius() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    double angleOf(double value) const;

    const GaugeState &m_state;
    int m_diameterLines;
    QString m_announced;
};
