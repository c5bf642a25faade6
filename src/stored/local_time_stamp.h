#pragma once

#include <QDate>

#include <ctime>
#include <string>

// Turns the local times qmn_power stores ("YYYY-MM-DD HH:MM:SS", as
// datetime('now','localtime') writes them) into ISO 8601 with the local UTC
// offset of the process's time zone. The hour repeated when daylight saving
// ends is written twice with the same text; rows are read in the order they
// were stored, so the first pass gets the summer offset and a step back in
// time within that hour starts the second, winter pass.
class LocalTimeStamp
{
public:
    // Appends the ISO text of `local` (19 characters or more; anything
    // shorter is copied as it is) to `out`. Returns the UTC offset used, in
    // seconds.
    long append(std::string &out, const char *local, size_t size);
    // Whether `local` reads as a time: "YYYY-MM-DD HH:MM" at least, or with
    // a "T" between date and time.
    static bool readable(const char *local, size_t size);
    // Whether the readable local time names two moments, in the hour that
    // comes twice when daylight saving ends.
    bool comesTwice(const char *local, size_t size);
    // Carries on after a row read earlier, whose local time got `offset`:
    // a reading resumed inside the repeated hour keeps its pass.
    void resumeAfter(const char *local, size_t size, long offset);

    // The hours between the day's local midnight and the next: 23, 24 or 25.
    static int hoursInDay(const QDate &day);

private:
    struct Offsets
    {
        long first = 0;  // the offset of the earlier pass, or the only one
        long second = 0; // equal to first unless the minute comes twice
    };
    Offsets offsetsOf(const char *minute);

    std::string m_minute; // "YYYY-MM-DD HH:MM" of m_offsets
    Offsets m_offsets;
    std::string m_previous; // the last ambiguous local time written
    bool m_secondPass = false;
};
