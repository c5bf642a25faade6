#include "stored/local_time_stamp.h"

#include <cstdio>
#include <cstring>

namespace {

// The offset of the local zone at a UTC instant.
long offsetAt(time_t utc)
{
    tm local = {};
    localtime_r(&utc, &local);
    return local.tm_gmtoff;
}

int digits(const char *text, int count)
{
    int value = 0;
    for (int i = 0; i < count; ++i)
        value = value * 10 + (text[i] - '0');
    return value;
}

bool looksLikeTime(const char *text, size_t size)
{
    if (size < 16)
        return false;
    static const char pattern[] = "0000-00-00 00:00";
    for (size_t i = 0; i < 16; ++i) {
        const bool digit = text[i] >= '0' && text[i] <= '9';
        if (pattern[i] == '0' ? !digit : (text[i] != pattern[i] && !(i == 10 && text[i] == 'T')))
            return false;
    }
    return true;
}

// The wall-clock time read as if it were UTC.
time_t wallSeconds(int year, int month, int day, int hour, int minute)
{
    tm t = {};
    t.tm_year = year - 1900;
    t.tm_mon = month - 1;
    t.tm_mday = day;
    t.tm_hour = hour;
    t.tm_min = minute;
    return timegm(&t);
}

} // namespace

LocalTimeStamp::Offsets LocalTimeStamp::offsetsOf(const char *minute)
{
    // Rows come in time order: the minute before is nearly always the one
    // asked for again, and one entry keeps the memory the same for a day or
    // for years.
    if (m_minute.compare(0, std::string::npos, minute, 16) == 0)
        return m_offsets;
    const time_t wall = wallSeconds(digits(minute, 4), digits(minute + 5, 2), digits(minute + 8, 2),
                                    digits(minute + 11, 2), digits(minute + 14, 2));
    // The offsets in force a day either side cover every change of the
    // zone; each one that maps back onto this wall time is a pass of it.
    const long before = offsetAt(wall - 86400);
    const long after = offsetAt(wall + 86400);
    const bool beforeFits = offsetAt(wall - before) == before;
    const bool afterFits = offsetAt(wall - after) == after;
    Offsets offsets;
    if (beforeFits && afterFits && before != after) {
        // The earlier pass has the larger offset.
        offsets.first = before > after ? before : after;
        offsets.second = before > after ? after : before;
    } else {
        // In the hour skipped in spring no offset fits: such a time can only
        // come from a clock set by hand, and the offset before the change
        // says most about it.
        offsets.first = offsets.second = afterFits ? after : before;
    }
    m_minute.assign(minute, 16);
    m_offsets = offsets;
    return offsets;
}

bool LocalTimeStamp::readable(const char *local, size_t size)
{
    return looksLikeTime(local, size);
}

bool LocalTimeStamp::comesTwice(const char *local, size_t size)
{
    if (!looksLikeTime(local, size))
        return false;
    const Offsets offsets = offsetsOf(local);
    return offsets.first != offsets.second;
}

long LocalTimeStamp::append(std::string &out, const char *local, size_t size)
{
    if (!looksLikeTime(local, size)) {
        out.append(local, size);
        return 0;
    }
    const size_t stamp = size >= 19 ? 19 : 16;
    const Offsets offsets = offsetsOf(local);
    long offset = offsets.first;
    if (offsets.first != offsets.second) {
        const std::string now(local, stamp);
        if (!m_previous.empty() && now < m_previous)
            m_secondPass = true;
        offset = m_secondPass ? offsets.second : offsets.first;
        m_previous = now;
    } else {
        m_previous.clear();
        m_secondPass = false;
    }
    out.append(local, 10);
    out += 'T';
    out.append(local + 11, stamp - 11);
    if (stamp == 16)
        out += ":00";
    const long magnitude = offset < 0 ? -offset : offset;
    char zone[16];
    const int n = std::snprintf(zone, sizeof zone, "%c%02ld:%02ld", offset < 0 ? '-' : '+', magnitude / 3600,
                                (magnitude % 3600) / 60);
    out.append(zone, size_t(n));
    return offset;
}

void LocalTimeStamp::resumeAfter(const char *local, size_t size, long offset)
{
    m_previous.clear();
    m_secondPass = false;
    if (!looksLikeTime(local, size))
        return;
    const Offsets offsets = offsetsOf(local);
    if (offsets.first == offsets.second)
        return;
    m_previous.assign(local, size >= 19 ? 19 : 16);
    m_secondPass = offset == offsets.second;
}

int LocalTimeStamp::hoursInDay(const QDate &day)
{
    const QDate next = day.addDays(1);
    auto midnight = [](const QDate &d) {
        tm t = {};
        t.tm_year = d.year() - 1900;
        t.tm_mon = d.month() - 1;
        t.tm_mday = d.day();
        t.tm_isdst = -1;
        return mktime(&t);
    };
    return int((midnight(next) - midnight(day) + 1800) / 3600);
}
