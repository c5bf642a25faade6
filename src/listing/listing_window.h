#pragma once

#include <QMainWindow>

class Dialogs;
class QComboBox;
class QListView;
class QMenu;
class QTabWidget;
class QTableView;
class RealtimeControl;
class RealtimeListing;

// "Real-Time Listing": the listing's six tables on six pages, with the copy,
// clear, hide and real-time commands around them. The figures belong to
// RealtimeListing and go on filling while this window is hidden or gone;
// closing it for good (after the warning) empties its tables.
class ListingWindow : public QMainWindow
{
    Q_OBJECT
public:
    ListingWindow(RealtimeListing &listing, RealtimeControl &realtime, Dialogs &dialogs, QWidget *parent = nullptr);

    QTabWidget *tabs() const { return m_tabs; }
    QTableView *table(int page) const;
    QListView *noticeView() const { return m_notifyList; }
    QComboBox *infoCombo() const { return m_comboRenew; }
    // Menu entries by caption, e.g. "Copy All with Header".
    QAction *action(const QString &caption) const;

    // Puts the table's text (see listCopyText) on the clipboard and returns
    // the number of rows copied.
    int LvCopyToClipboard(QTableView *lvCopy, bool bIncludeHeaders = false, int lFirstCol = 1, int lLastCol = -1,
                          bool bCopyAll = true);

    // The explanations of the solar/grid page's columns.
    static QStringList renewableInfo();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void buildMenus();
    QWidget *buildPage(int page);
    QTableView *makeTable(int page, QWidget *parent);
    void fillInfoCombo();
    void copyCommand(bool headers, bool all);
    // Edit > Export CSV...: the current page's rows into a file.
    void exportCsvCommand();
    void onFocusChanged(QWidget *old, QWidget *now);
    void sizeToTables();

    RealtimeListing &m_listing;
    RealtimeControl &m_realtime;
    Dialogs &m_dialogs;
    QTabWidget *m_tabs = nullptr;
    QTableView *m_tables[6] = {};
    QListView *m_notifyList = nullptr;
    QComboBox *m_comboRenew = nullptr;
    QMenu *m_editMenu = nullptr;
};
