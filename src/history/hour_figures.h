#pragma once

#include <QtGlobal>

#include <string>

// What the rows of one stored local hour add up to. The hour repeated when
// the clocks go back is two hours here, told apart by their UTC offset.
struct HourFigures
{
    qint64 startUtc = 0; // the hour's start, seconds since 1970 UTC: the key
    std::string local;   // "YYYY-MM-DD HH", as the rows store it
    long offset = 0;     // the UTC offset of the hour, seconds
    double used[2] = {}, fed[2] = {}; // kWh per channel
    double maxPower[2] = {};          // W per channel
    std::string maxTime[2];           // the local time of that highest power
    double powerSum[2] = {};
    qint64 powerCount[2] = {};
    qint64 samples = 0;
    bool gap = false; // rows are missing in it: the program was off
};
