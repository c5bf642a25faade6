#pragma once

#include "history/history_table_model.h"
#include "history/history_worker.h"
#include "history/period_figures.h"

#include <QObject>
#include <QThread>
#include <QTimer>

#include <atomic>

class Clock;
struct Settings;

// The History window's logic, owned by the program from start-up: which
// period and view are shown, the figures of the last look, the worker thread
// that reads the database into the cache, and the refresh of the current
// period while the window is open. The window shows it and may close at any
// time.
class HistoryLogic : public QObject
{
    Q_OBJECT
public:
    struct Parts
    {
        const Settings &settings;
        QString dataDir;
        const Clock &clock;
    };
    // A look still running after this long shows its progress and Cancel.
    static constexpr int kProgressAfterMs = 500;
    // The current hour and day grow no more often than this.
    static constexpr int kRefreshMs = 60000;

    explicit HistoryLogic(Parts parts, QObject *parent = nullptr);
    ~HistoryLogic() override;

    QString cachePath() const;

    void show(PeriodKind kind, const QDate &anchor);
    void previous() { show(m_kind, HistoryPeriod::step(m_kind, m_anchor, -1)); }
    void next() { show(m_kind, HistoryPeriod::step(m_kind, m_anchor, 1)); }
    void today();
    void setKind(PeriodKind kind) { show(kind, m_anchor); }
    // Opens the bar's own period, one level down.
    void openBar(int bar);
    void setView(HistoryView view);
    void cancel();
    // Reads the rows stored since the last look and shows the period again.
    void refresh();
    // While watched, a period holding today refreshes once a minute.
    void setWatched(bool watched);

    PeriodKind kind() const { return m_kind; }
    QDate anchor() const { return m_anchor; }
    HistoryView view() const { return m_table.view(); }
    bool busy() const { return m_running != 0; }
    bool progressShown() const { return m_progressShown; }
    int percent() const { return m_percent; }
    QString problem() const { return m_problem; }
    HistoryTableModel &table() { return m_table; }
    // How many looks have ended with figures; tests wait on it.
    int looks() const { return m_looks; }

signals:
    void figuresChanged();
    // Busy, progress shown or percent changed.
    void stateChanged();
    void problemChanged(const QString &problem);

private:
    void start(bool quiet);
    void finish(quint64 serial);
    void onFigures(quint64 serial, const PeriodFigures &figures);
    HistoryDatabase database() const;

    Parts m_parts;
    PeriodKind m_kind = PeriodKind::Day;
    QDate m_anchor;
    HistoryTableModel m_table;
    QThread m_thread;
    HistoryWorker *m_worker = nullptr;
    std::atomic<quint64> m_cancelled{0};
    quint64 m_serial = 0;
    quint64 m_running = 0; // the look being waited for; 0 for none
    bool m_progressShown = false;
    int m_percent = 0;
    int m_looks = 0;
    QString m_problem;
    QTimer m_progressTimer;
    QTimer m_refreshTimer;
};
