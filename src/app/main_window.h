#pragma once

#include <QMainWindow>
#include <QPointer>

class CommunicationPanel;
class OptionsWindow;
class DownloadWindow;
class QTableView;
class Program;
class QAction;
class QListView;
class UtilityWindow;
class ListingWindow;
class DashboardWindow;
class HistoryWindow;
class WebWindow;

// The program's hub: status list, the two status boxes and the menus from
// which every other window opens. Closing it ends the program.
class MainWindow : public QMainWindow
{
    Q_OBJECT
public:
    explicit MainWindow(Program &program, QWidget *parent = nullptr);

    // Menu entries by their caption path, e.g. "Communication/Open COM Port".
    QAction *action(const QString &path) const;
    QStringList menuCaptions() const;

    QString aboutText() const;

    // The communication panel, made on first use and kept.
    CommunicationPanel *comPanel();
    void showComPanel();
    // "Real-Time Data Listing": the listing window, made when first opened
    // (or again after it was closed) and brought to the front.
    ListingWindow *showListing();
    // "Real-Time Data Panel": the dashboard window, likewise.
    DashboardWindow *showDashboard();
    HistoryWindow *showHistory();
    // "QMN-4400 Utility": the device utility window, a new one for each
    // opening unless it is still open.
    UtilityWindow *showUtility();
    // The web window, made hidden on first use and kept; "Write To Web" shows it.
    WebWindow *webWindow();
    WebWindow *showWebWindow();
    // "Options": made afresh when opened, brought to the front when open.
    OptionsWindow *showOptions();
    // "Download Data": the download window, made when first opened.
    DownloadWindow *showDownload();
    // The list of a saved download's records, hidden until a file is listed.
    QTableView *mainListView() const { return m_listView; }
    // "Copy Selected": the selected rows and the header line to the clipboard.
    void copySelected();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void buildMenus();
    QAction *addEntry(QMenu *menu, const QString &caption, bool enabled);
    void sizeFromTwips();
    // Opened with a file, the window grows to show its records, within the screen.
    void growToShowRecords();

    Program &m_program;
    QListView *m_statusView = nullptr;
    CommunicationPanel *m_comPanel = nullptr;
    QPointer<ListingWindow> m_listing;
    QPointer<DashboardWindow> m_dashboard;
    QPointer<HistoryWindow> m_history;
    QPointer<UtilityWindow> m_utility;
    QPointer<WebWindow> m_web;
    QPointer<OptionsWindow> m_options;
    QPointer<DownloadWindow> m_download;
    QTableView *m_listView = nullptr;
};
