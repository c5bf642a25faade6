#include "recording/daily_export.h"

#include "common/csv_text.h"
#include "stored/local_time_stamp.h"
#include "stored/power_row_reader.h"
#include "stored/row_energy.h"

#include <QDate>

#include <charconv>

namespace {

// Value positions in the row.
constexpr int kP1 = 0, kP2 = 1;
// A milliwatt-hour is below anything the monitor resolves.
constexpr int kEnergyDecimals = 6;
constexpr int kPowerDecimals = 3;
// Rows without a time named on stderr; the rest are counted.
constexpr qint64 kNamedUnreadable = 5;

// The stored text in quotes on one line.
std::string quoted(const char *text, size_t size)
{
    std::string q = "\"";
    for (size_t i = 0; i < size; ++i) {
        if (text[i] == '\r' || text[i] == '\n')
            q += text[i] == '\r' ? "\\r" : "\\n";
        else
            q.append(text[i] == '"' ? 2 : 1, text[i]);
    }
    return q + '"';
}

} // namespace

std::string DailyExport::headerLine()
{
    return "date,hours,first_sample,last_sample,ch1_kwh_used,ch1_kwh_fed_back,ch2_kwh_used,ch2_kwh_fed_back,"
           "ch1_min_w,ch1_max_w,ch1_avg_w,ch2_min_w,ch2_max_w,ch2_avg_w,samples\r\n";
}

void DailyExport::setPrevious(const PowerRowReader &row)
{
    m_energy.start(RowTotals::of(row));
}

void DailyExport::add(const PowerRowReader &row, std::string &out)
{
    size_t size = 0;
    const char *time = row.time(&size);
    if (!LocalTimeStamp::readable(time, size)) {
        // Without a day it would end the day being summed and split it in two.
        if (m_unreadable++ < kNamedUnreadable) {
            m_unreadableNames += m_unreadableNames.empty() ? "" : ", ";
            m_unreadableNames += quoted(time, size);
            m_unreadableNames += m_lastLocal.empty() ? " before the first row" : " after " + m_lastLocal;
        }
        return;
    }
    m_lastLocal.assign(time, size < 19 ? size : 19);
    const std::string day(time, size < 10 ? size : 10);
    std::string stamp;
    m_stamp.append(stamp, time, size);
    if (day != m_day) {
        if (!m_day.empty())
            writeDay(out);
        m_day = day;
        m_firstTime = stamp;
        m_used1 = m_fed1 = m_used2 = m_fed2 = 0;
        m_sum[0] = m_sum[1] = 0;
        m_powerCount[0] = m_powerCount[1] = 0;
        m_samples = 0;
    }
    m_lastTime = stamp;
    ++m_samples;

    const RowEnergy energy = m_energy.step(RowTotals::of(row));
    m_used1 += energy.ch1.used;
    m_fed1 += energy.ch1.fed;
    m_used2 += energy.ch2.used;
    m_fed2 += energy.ch2.fed;

    for (int ch = 0; ch < 2; ++ch) {
        const int column = ch == 0 ? kP1 : kP2;
        if (row.isNull(column))
            continue;
        const double p = row.value(column);
        if (m_powerCount[ch] == 0 || p < m_min[ch])
            m_min[ch] = p;
        if (m_powerCount[ch] == 0 || p > m_max[ch])
            m_max[ch] = p;
        m_sum[ch] += p;
        ++m_powerCount[ch];
    }
}

void DailyExport::finish(std::string &out)
{
    if (!m_day.empty())
        writeDay(out);
    m_day.clear();
}

std::string DailyExport::unreadableNote() const
{
    if (m_unreadable == 0)
        return {};
    std::string note = std::to_string(m_unreadable) + (m_unreadable == 1 ? " row" : " rows")
        + " without a readable _time left out of the daily totals: " + m_unreadableNames;
    if (m_unreadable > kNamedUnreadable)
        note += " and " + std::to_string(m_unreadable - kNamedUnreadable) + " more";
    return note;
}

void DailyExport::writeDay(std::string &out)
{
    out += m_day;
    out += ',';
    const QDate date = QDate::fromString(QString::fromStdString(m_day), Qt::ISODate);
    if (date.isValid())
        out += std::to_string(LocalTimeStamp::hoursInDay(date));
    for (const std::string *t : {&m_firstTime, &m_lastTime}) {
        out += ',';
        appendCsvField(out, t->data(), t->size());
    }
    for (double kwh : {m_used1, m_fed1, m_used2, m_fed2}) {
        out += ',';
        appendCsvRounded(out, kwh, kEnergyDecimals);
    }
    for (int ch = 0; ch < 2; ++ch) {
        for (int part = 0; part < 3; ++part) {
            out += ',';
            if (m_powerCount[ch] == 0)
                continue;
            const double v = part == 0 ? m_min[ch] : part == 1 ? m_max[ch] : m_sum[ch] / double(m_powerCount[ch]);
            appendCsvRounded(out, v, kPowerDecimals);
        }
    }
    out += ',';
    out += std::to_string(m_samples);
    out += "\r\n";
}
