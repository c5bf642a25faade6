#pragma once

#include <QAccessible>
#include <QString>
#include <QWidget>

// Painted widgets tell a screen reader when what they read out has changed,
// once per change: a sample that repaints the same figures says nothing new.
inline bool takeNewReading(QString &announced, const QString &reading)
{
    if (reading == announced)
        return false;
    announced = reading;
    return true;
}

// For widgets whose name carries their reading.
inline void announceReading(QWidget *widget, QString &announced, const QString &reading)
{
    if (!takeNewReading(announced, reading))
        return;
    QAccessibleEvent event(widget, QAccessible::NameChanged);
    QAccessible::updateAccessibility(&event);
}
