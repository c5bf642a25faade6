#pragma once

#include <QMainWindow>
#include <QPointer>

class COMpanel;
class DownloadFrm;
class QTableView;
class Program;
class QAction;
class QListView;
class RTlist;

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
    COMpanel *comPanel();
    void showComPanel();
    // "Real-Time Data Listing": the listing window, made when first opened
    // (or again after it was closed) and brought to the front.
    RTlist *showListing();
    // "Download Data": the download window, made when first opened.
    DownloadFrm *showDownload();
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

    Program &m_program;
    QListView *m_statusView = nullptr;
    COMpanel *m_comPanel = nullptr;
    QPointer<RTlist> m_listing;
    QPointer<DownloadFrm> m_download;
    QTableView *m_listView = nullptr;
};
