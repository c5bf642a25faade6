#pragma once

#include <QDateTime>

// The computer's clock, injectable so tests can run a day in milliseconds.
class Clock
{
public:
    virtual ~Clock() = default;
    virtual QDateTime now() const { return QDateTime::currentDateTime(); }
};
