#include "history/history_logic.h"

#include "common/clock.h"
#include "settings/settings.h"
#include "stored/access_connection.h"

#include <QDir>

HistoryLogic::HistoryLogic(Parts parts, QObject *parent)
    : QObject(parent)
    , m_parts(std::move(parts))
    , m_anchor(m_parts.clock.now().date())
{
    m_thread.setObjectName(QStringLiteral("history"));
    m_worker = new HistoryWorker(cachePath(), m_cancelled);
    m_worker->moveToThread(&m_thread);
    connect(&m_thread, &QThread::finished, m_worker, &QObject::deleteLater);
    connect(m_worker, &HistoryWorker::progress, this, [this](quint64 serial, int percent) {
        if (serial != m_running)
            return;
        m_percent = percent;
        emit stateChanged();
    });
    connect(m_worker, &HistoryWorker::figuresReady, this, &HistoryLogic::onFigures);
    connect(m_worker, &HistoryWorker::failed, this, [this](quint64 serial, const QString &error) {
        if (serial != m_running)
            return;
        m_problem = error;
        emit problemChanged(error);
    });
    connect(m_worker, &HistoryWorker::cancelled, this, &HistoryLogic::finish);

    m_progressTimer.setSingleShot(true);
    m_progressTimer.setInterval(kProgressAfterMs);
    connect(&m_progressTimer, &QTimer::timeout, this, [this] {
        m_progressShown = busy();
        emit stateChanged();
    });
    m_refreshTimer.setInterval(kRefreshMs);
    connect(&m_refreshTimer, &QTimer::timeout, this, [this] {
        const QDate today = m_parts.clock.now().date();
        if (!busy() && HistoryPeriod::start(m_kind, m_anchor) <= today && today < HistoryPeriod::end(m_kind, m_anchor))
            start(true);
    });
}

HistoryLogic::~HistoryLogic()
{
    m_cancelled = m_serial;
    m_thread.quit();
    m_thread.wait();
}

QString HistoryLogic::cachePath() const
{
    return QDir(m_parts.dataDir).filePath(QStringLiteral("history-cache.sqlite"));
}

HistoryDatabase HistoryLogic::database() const
{
    if (m_parts.settings.dbtype == QLatin1String("SQlite"))
        return {HistoryDatabase::Kind::Sqlite, m_parts.settings.sqldbpath};
    if (m_parts.settings.dbtype == QLatin1String("Access"))
        return {HistoryDatabase::Kind::Odbc, accessConnectionString(m_parts.settings.adbpath)};
    return {};
}

void HistoryLogic::show(PeriodKind kind, const QDate &anchor)
{
    m_kind = kind;
    m_anchor = anchor.isValid() ? anchor : m_parts.clock.now().date();
    start(false);
}

void HistoryLogic::today()
{
    show(m_kind, m_parts.clock.now().date());
}

void HistoryLogic::openBar(int bar)
{
    const QList<BarFigures> &bars = m_table.figures().bars;
    if (bar < 0 || bar >= bars.size() || m_table.figures().kind == PeriodKind::Day)
        return;
    show(HistoryPeriod::below(m_table.figures().kind), bars.at(bar).firstDay);
}

void HistoryLogic::setView(HistoryView view)
{
    m_table.setNow(m_parts.clock.now().toSecsSinceEpoch());
    m_table.show(m_table.figures(), view, m_parts.settings.Rate);
    emit figuresChanged();
}

void HistoryLogic::refresh()
{
    start(true);
}

void HistoryLogic::setWatched(bool watched)
{
    if (watched)
        m_refreshTimer.start();
    else
        m_refreshTimer.stop();
}

void HistoryLogic::start(bool quiet)
{
    // A newer look replaces one still running: that one stops at its next
    // chunk, keeping what it read in the cache.
    m_cancelled = m_serial;
    const quint64 serial = ++m_serial;
    // The thread starts with the first look: a program that never looks back
    // runs none.
    if (!m_thread.isRunning())
        m_thread.start();
    m_running = serial;
    m_percent = 0;
    if (!m_problem.isEmpty()) {
        m_problem.clear();
        emit problemChanged(m_problem);
    }
    if (!quiet || m_progressShown)
        m_progressTimer.start();
    emit stateChanged();
    QMetaObject::invokeMethod(m_worker, [worker = m_worker, db = database(), kind = m_kind, anchor = m_anchor, serial] {
        worker->look(db, kind, anchor, serial);
    }, Qt::QueuedConnection);
}

void HistoryLogic::cancel()
{
    if (!busy())
        return;
    m_cancelled = m_running;
    finish(m_running);
}

void HistoryLogic::finish(quint64 serial)
{
    if (serial != m_running)
        return;
    m_running = 0;
    m_progressShown = false;
    m_progressTimer.stop();
    emit stateChanged();
}

void HistoryLogic::onFigures(quint64 serial, const PeriodFigures &figures)
{
    if (serial != m_running)
        return;
    m_table.setNow(m_parts.clock.now().toSecsSinceEpoch());
    m_table.show(figures, m_table.view(), m_parts.settings.Rate);
    ++m_looks;
    finish(serial);
    emit figuresChanged();
}
