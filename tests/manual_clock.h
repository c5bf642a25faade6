#pragma once

#include "common/clock.h"

// A clock that stands where the test puts it.
struct ManualClock : Clock
{
    explicit ManualClock(QDateTime start = QDateTime(QDate(2024, 3, 7), QTime(10, 0, 0))) : at(start) {}
    QDateTime now() const override { return at; }
    QDateTime at;
};
