#pragma once

#include <QWidget>

#include <functional>

// An energy odometer: ten digit boxes, the units digit at the right, then
// the unit "KWh". It reads its ten digits when it paints; boxes stay empty
// while there are none. Its accessible name is what it counts; a screen
// reader hears that followed by the reading.
class Odometer : public QWidget
{
    Q_OBJECT
public:
    explicit Odometer(std::function<QString()> digits, QWidget *parent = nullptr);

    QString digits() const { return m_digits(); }
    // The digits and the unit as a screen reader says them; empty before the first sample.
    QString reading() const;
    // Repaints with the current digits and tells a screen reader if they changed.
    void refresh();
    // Box 1 is the units digit, box 10 the highest.
    QRect boxRect(int box) const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    int boxWidth() const;

    std::function<QString()> m_digits;
    QString m_announced;
};
