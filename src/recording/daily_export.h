#pragma once

#include "stored/row_energy.h"

#include <QString>

#include <string>

class LocalTimeStamp;
class PowerRowReader;

// Sums the rows of qmn_power into one CSV line per local calendar day. The
// energy of a day is what the stored totals advanced from the last sample
// before it to its own last sample, so the part between two days' samples
// is counted once, on the later day, by the rule of RowEnergy: a total that
// goes back starts afresh instead of subtracting a year of energy.
class DailyExport
{
public:
    explicit DailyExport(LocalTimeStamp &stamp) : m_stamp(stamp) {}

    static std::string headerLine();
    // The last row stored before the export's first day, for its totals.
    void setPrevious(const PowerRowReader &row);
    // Takes the next row; appends the finished day's line to `out` when the
    // row starts a new one.
    void add(const PowerRowReader &row, std::string &out);
    // Appends the last day's line.
    void finish(std::string &out);
    // Rows whose _time is no time belong to no day and are left out; this
    // counts them and names the first few, for one line on stderr. Empty
    // when there were none.
    std::string unreadableNote() const;

private:
    void writeDay(std::string &out);

    LocalTimeStamp &m_stamp;
    RowEnergyTracker m_energy;
    std::string m_day; // "YYYY-MM-DD" of the day being summed; empty before the first row
    std::string m_firstTime, m_lastTime;
    double m_used1 = 0, m_fed1 = 0, m_used2 = 0, m_fed2 = 0;
    double m_min[2] = {}, m_max[2] = {}, m_sum[2] = {};
    qint64 m_powerCount[2] = {};
    qint64 m_samples = 0;
    qint64 m_unreadable = 0;
    std::string m_unreadableNames;
    std::string m_lastLocal; // the stored _time of the last readable row
};
