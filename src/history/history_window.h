#pragma once

#include <QWidget>

class Dialogs;
class HistoryChartWidget;
class HistoryLogic;
class QComboBox;
class QDateEdit;
class QLabel;
class QProgressBar;
class QPushButton;
class QTableView;

// The History window: a period of stored figures as stacked bars, their
// totals and a table of the same numbers. It shows the program's
// HistoryLogic and may be closed at any time; the reading goes on without it.
class HistoryWindow : public QWidget
{
    Q_OBJECT
public:
    HistoryWindow(HistoryLogic &logic, Dialogs &dialogs, QWidget *parent = nullptr);
    ~HistoryWindow() override;

    HistoryChartWidget *chart() const { return m_chart; }
    QTableView *table() const { return m_table; }
    // The text Copy puts on the clipboard: the table as shown.
    QString copyText() const;
    void exportCsv();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void showFigures();
    void fitColumns();
    void showState();

    HistoryLogic &m_logic;
    Dialogs &m_dialogs;
    QComboBox *m_period = nullptr;
    QComboBox *m_view = nullptr;
    QDateEdit *m_date = nullptr;
    QLabel *m_title = nullptr;
    HistoryChartWidget *m_chart = nullptr;
    QList<QLabel *> m_totals;
    QTableView *m_table = nullptr;
    QProgressBar *m_progress = nullptr;
    QPushButton *m_cancel = nullptr;
    QLabel *m_problem = nullptr;
};
