#include "recording/csv_export.h"

#include "common/csv_text.h"
#include "recording/daily_export.h"
#include "settings/settings_store.h"
#include "stored/access_connection.h"
#include "stored/local_time_stamp.h"
#include "stored/odbc_row_reader.h"
#include "stored/power_row_reader.h"

#include <QDate>
#include <QElapsedTimer>
#include <QFile>
#include <QSaveFile>

#include <cstdio>
#include <memory>
#include <unistd.h>

namespace {

constexpr int kBadRequest = 2;
constexpr int kWriteFailed = 1;
// Output leaves in pieces of this size: few system calls, little memory.
constexpr size_t kFlushBytes = 1 << 20;
constexpr qint64 kProgressMilliseconds = 3000;

int complain(const QString &text, int status)
{
    std::fprintf(stderr, "qmnpilot: %s\n", qUtf8Printable(text));
    return status;
}

// A date of the command line: exactly YYYY-MM-DD and a real day.
bool readDate(const QString &text, const char *option, QDate *date, QString *error)
{
    if (text.isEmpty())
        return true;
    *date = QDate::fromString(text, QStringLiteral("yyyy-MM-dd"));
    if (text.size() != 10 || !date->isValid()) {
        *error = QStringLiteral("%1 %2 is not a date; write it as YYYY-MM-DD, e.g. 2026-03-29").arg(option, text);
        return false;
    }
    return true;
}

// Standard output, or the file replaced only once every row is in it, so a
// failed export never leaves half a file where a whole one was.
class Output
{
public:
    bool open(const QString &name, QString *error)
    {
        if (name == QLatin1String("-")) {
            auto out = std::make_unique<QFile>();
            if (!out->open(stdout, QIODevice::WriteOnly)) {
                *error = QStringLiteral("standard output cannot be written");
                return false;
            }
            m_device = std::move(out);
            return true;
        }
        auto file = std::make_unique<QSaveFile>(name);
        if (!file->open(QIODevice::WriteOnly)) {
            *error = QStringLiteral("%1 cannot be written: %2").arg(name, file->errorString());
            return false;
        }
        m_file = file.get();
        m_device = std::move(file);
        return true;
    }
    bool write(std::string &buffer)
    {
        if (!m_ok || buffer.empty()) {
            buffer.clear();
            return m_ok;
        }
        m_ok = m_device->write(buffer.data(), qint64(buffer.size())) == qint64(buffer.size());
        buffer.clear();
        return m_ok;
    }
    bool close()
    {
        if (m_file)
            return m_ok ? m_file->commit() : (m_file->cancelWriting(), false);
        return m_ok && static_cast<QFile *>(m_device.get())->flush();
    }
    void abandon()
    {
        if (m_file)
            m_file->cancelWriting();
        m_ok = false;
        close();
    }
    QString errorString() const { return m_device ? m_device->errorString() : QString(); }

private:
    std::unique_ptr<QIODevice> m_device;
    QSaveFile *m_file = nullptr;
    bool m_ok = true;
};

// A line now and then on a terminal, so a long export shows it is alive;
// a log or a pipe gets nothing.
class Progress
{
public:
    Progress() : m_shown(::isatty(STDERR_FILENO) == 1) { m_clock.start(); }
    void row(const char *time, size_t size)
    {
        ++m_rows;
        if (!m_shown || (m_rows & 0xfff) != 0 || m_clock.elapsed() < kProgressMilliseconds)
            return;
        m_clock.restart();
        std::fprintf(stderr, "qmnpilot: %lld rows, at %.*s\n", m_rows, int(size < 19 ? size : 19), time);
    }
    qint64 rows() const { return m_rows; }

private:
    bool m_shown;
    QElapsedTimer m_clock;
    long long m_rows = 0;
};

} // namespace

int runExport(const ExportRequest &request)
{
    QDate from, to;
    QString error;
    if (!readDate(request.from, "--from", &from, &error) || !readDate(request.to, "--to", &to, &error))
        return complain(error, kBadRequest);
    if (from.isValid() && to.isValid() && from > to)
        return complain(QStringLiteral("--from %1 is after --to %2").arg(request.from, request.to), kBadRequest);

    SettingsStore store(request.settingsPath);
    if (!store.load(&error))
        return complain(error, kBadRequest);
    const Settings settings = store.readSettings();
    std::unique_ptr<PowerRowReader> reader;
    QString where;
    if (settings.dbtype == QLatin1String("SQlite")) {
        reader = std::make_unique<SqliteRowReader>();
        where = settings.sqldbpath;
    } else if (settings.dbtype == QLatin1String("Access")) {
        reader = std::make_unique<OdbcRowReader>();
        where = accessConnectionString(settings.adbpath);
    } else {
        return complain(QStringLiteral("%1 names no database to export from (dbtype=%2); set dbtype=SQlite and "
                                       "sqldbpath=FILE in its [startup] section")
                            .arg(request.settingsPath, settings.dbtype),
                        kBadRequest);
    }
    PowerRowReader &rows = *reader;
    if (!rows.open(where))
        return complain(rows.error(), kBadRequest);

    const QString fromText = from.isValid() ? from.toString(Qt::ISODate) : QString();
    const QString untilText = to.isValid() ? to.addDays(1).toString(Qt::ISODate) : QString();
    LocalTimeStamp stamp;
    DailyExport daily(stamp);
    std::string buffer;
    if (request.kind == ExportRequest::Kind::Daily) {
        if (!fromText.isEmpty() && rows.selectLastBefore(fromText) && rows.next())
            daily.setPrevious(rows);
        buffer = DailyExport::headerLine();
    } else {
        for (const char *name : PowerRowReader::kColumns)
            buffer += std::string(buffer.empty() ? "" : ",") + name;
        buffer += "\r\n";
    }
    if (!rows.error().isEmpty() || !rows.select(fromText, untilText))
        return complain(rows.error(), kBadRequest);

    Output output;
    if (!output.open(request.output, &error))
        return complain(error, kWriteFailed);

    Progress progress;
    while (rows.next()) {
        size_t size = 0;
        const char *time = rows.time(&size);
        progress.row(time, size);
        if (request.kind == ExportRequest::Kind::Daily) {
            daily.add(rows, buffer);
        } else {
            // A _time that is no time goes out as it is stored, as a CSV field.
            if (LocalTimeStamp::readable(time, size))
                stamp.append(buffer, time, size);
            else
                appendCsvField(buffer, time, size);
            for (int i = 0; i < PowerRowReader::kValueCount; ++i) {
                buffer += ',';
                rows.appendValue(buffer, i);
            }
            buffer += "\r\n";
        }
        if (buffer.size() >= kFlushBytes && !output.write(buffer))
            break;
    }
    daily.finish(buffer);
    if (const std::string note = daily.unreadableNote(); !note.empty())
        std::fprintf(stderr, "qmnpilot: %s\n", note.c_str());
    if (!rows.error().isEmpty()) {
        output.abandon();
        return complain(rows.error(), kBadRequest);
    }
    if (!output.write(buffer) || !output.close())
        return complain(QStringLiteral("%1 could not be written: %2").arg(request.output, output.errorString()),
                        kWriteFailed);
    return 0;
}
