#include "app/main_window.h"

#include "app/program.h"
#include "common/dialogs.h"
#include "common/status_box_widget.h"
#include "dashboard/dashboard_window.h"
#include "history/history_window.h"
#include "device/utility_window.h"
#include "download/download_window.h"
#include "link/communication_panel.h"
#include "listing/listing_window.h"
#include "portal/web_window.h"
#include "options/options_window.h"

#include <QAction>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QClipboard>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHeaderView>
#include <QTableView>
#include <QListView>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <QUrl>

#include <qcoro/qcorotask.h>

MainWindow::MainWindow(Program &program, QWidget *parent)
    : QMainWindow(parent)
    , m_program(program)
{
    setWindowTitle(program.title());
    connect(&program, &Program::titleChanged, this, &QWidget::setWindowTitle);
    connect(&program, &Program::exitRequested, this, &QWidget::close);

    auto *central = new QWidget(this);
    auto *grid = new QGridLayout(central);
    m_statusView = new QListView(central);
    m_statusView->setModel(&program.mainStatus());
    m_statusView->setAccessibleName(tr("Status"));
    m_statusView->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_statusView->setUniformItemSizes(true);
    QFont arial(QStringLiteral("Arial"));
    arial.setStyleHint(QFont::SansSerif);
    m_statusView->setFont(arial);
    // Follow the newest line, as a list box does when lines are added.
    connect(&program.mainStatus(), &QAbstractItemModel::rowsInserted, m_statusView,
            [this] { m_statusView->scrollToBottom(); });

    auto *clear = new QPushButton(tr("Clear List"), central);
    connect(clear, &QPushButton::clicked, &program.mainStatus(), &StatusList::clear);

    auto *serialBox = new StatusBoxWidget(program.serialBox(), central);
    auto *realtimeBox = new StatusBoxWidget(program.realtimeBox(), central);

    // A saved download's records, above the status list once a file is listed.
    m_listView = new QTableView(central);
    m_listView->setModel(&program.mainList());
    m_listView->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_listView->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_listView->verticalHeader()->hide();
    m_listView->setAccessibleName(tr("Records"));
    m_listView->setVisible(program.mainList().hasBeenOpened());
    m_listView->verticalHeader()->setDefaultSectionSize(m_listView->fontMetrics().height() + 4);
    connect(&program.mainList(), &QAbstractItemModel::modelReset, this, [this, grid] {
        // The designed widths, unless today's fonts need more (only the rows
        // in view are measured, so a long file costs nothing here).
        m_listView->resizeColumnsToContents();
        for (int c = 0; c < m_program.mainList().columnCount(); ++c)
            m_listView->setColumnWidth(c, qMax(m_listView->columnWidth(c),
                                               qRound(MainList::widthTwips(c) * logicalDpiX() / 1440.0)));
        m_listView->show();
        grid->setRowStretch(0, 3);
        growToShowRecords();
    });

    grid->addWidget(m_listView, 0, 0, 1, 2);
    grid->addWidget(m_statusView, 1, 0, 3, 1);
    grid->addWidget(serialBox, 1, 1);
    grid->addWidget(realtimeBox, 2, 1);
    grid->addWidget(clear, 3, 1, Qt::AlignBottom);
    // The records' row takes room only once a file is listed.
    grid->setRowStretch(0, m_listView->isVisibleTo(this) ? 3 : 0);
    grid->setRowStretch(3, 1);
    grid->setColumnStretch(0, 3);
    grid->setColumnStretch(1, 2);
    setCentralWidget(central);

    // The radio search that reports to the main list shows its busy pointer here.
    connect(&program.radio(), &RadioDongle::busy, this, [this](bool on, const StatusList *list) {
        if (list != &m_program.mainStatus())
            return;
        if (on)
            setCursor(Qt::WaitCursor);
        else
            unsetCursor();
    });

    buildMenus();
    sizeFromTwips();

    connect(&program, &Program::webWindowRequested, this, &MainWindow::webWindow);

    // Start or stop without a connection method opens the panel.
    connect(&program.realtime(), &RealtimeControl::communicationPanelRequested, this, &MainWindow::showComPanel);
    connect(&program.download(), &LoggerDownload::communicationPanelRequested, this, &MainWindow::showComPanel);

    // "Invalid COM port ... search?" answered Yes.
    connect(&program.serial(), &SerialLink::portSearchRequested, this, [this] {
        showComPanel();
        m_program.comPanel().listAvailablePorts();
    });
}

CommunicationPanel *MainWindow::comPanel()
{
    if (!m_comPanel)
        m_comPanel = new CommunicationPanel(m_program.comPanel(), this);
    return m_comPanel;
}

void MainWindow::showComPanel()
{
    comPanel()->showPanel();
}

namespace {

// Makes the window when it does not exist (first use, or closed for good)
// and brings it to the front.
template<typename Window, typename Make>
Window *bringToFront(QPointer<Window> &window, Make make)
{
    if (!window)
        window = make();
    window->show();
    window->raise();
    window->activateWindow();
    return window;
}

} // namespace

ListingWindow *MainWindow::showListing()
{
    return bringToFront(m_listing, [this] {
        return new ListingWindow(m_program.listing(), m_program.realtime(), m_program.dialogs(), this);
    });
}

HistoryWindow *MainWindow::showHistory()
{
    return bringToFront(m_history, [this] { return new HistoryWindow(m_program.history(), m_program.dialogs(), this); });
}

DashboardWindow *MainWindow::showDashboard()
{
    return bringToFront(m_dashboard,
                        [this] { return new DashboardWindow(m_program.dashboard(), m_program.realtime(), this); });
}

UtilityWindow *MainWindow::showUtility()
{
    return bringToFront(m_utility, [this] { return new UtilityWindow(m_program.device(), this); });
}

WebWindow *MainWindow::webWindow()
{
    if (!m_web)
        m_web = new WebWindow(m_program.portal(), this);
    return m_web;
}

WebWindow *MainWindow::showWebWindow()
{
    return bringToFront(m_web, [this] { return webWindow(); });
}

OptionsWindow *MainWindow::showOptions()
{
    return bringToFront(m_options,
                        [this] { return new OptionsWindow(m_program.options(), m_program.mqtt(), this); });
}

DownloadWindow *MainWindow::showDownload()
{
    return bringToFront(m_download,
                        [this] { return new DownloadWindow(m_program.download(), m_program.dataDir(), this); });
}

void MainWindow::copySelected()
{
    const QItemSelectionModel *selection = m_listView->selectionModel();
    QGuiApplication::clipboard()->setText(
        m_program.mainList().copySelected([selection](int row) { return selection->isRowSelected(row); }));
    m_program.dialogs().message(QStringLiteral(" \"Copy Selected\" completed."));
}

void MainWindow::sizeFromTwips()
{
    // Designed as 7980 x 3420 twips at 1440 twips per inch of the screen's
    // logical resolution; never smaller than what the contents need.
    const double dpiX = logicalDpiX();
    const double dpiY = logicalDpiY();
    QSize size(qRound(7980 * dpiX / 1440.0), qRound(3420 * dpiY / 1440.0));
    size = size.expandedTo(minimumSizeHint());
    // The menu bar is wider than the designed width with today's fonts; a
    // menu hidden behind an overflow arrow is worse than a wider window.
    size.setWidth(qMax(size.width(), menuBar()->sizeHint().width() + 2 * frameGeometry().x()));
    resize(size);
    if (const QScreen *s = screen())
        move(s->availableGeometry().topLeft());
    else
        move(0, 0);
}

void MainWindow::growToShowRecords()
{
    // The records ask for room for every row and column, so the central
    // widget's size hint holds them; the window grows by what it lacks, up
    // to the screen, and scroll bars take over from there.
    m_listView->setSizeAdjustPolicy(QAbstractScrollArea::AdjustToContents);
    m_listView->updateGeometry();
    centralWidget()->layout()->invalidate();
    const QSize lacking = (centralWidget()->sizeHint() - centralWidget()->size()).expandedTo(QSize(0, 0));
    const QScreen *s = screen();
    const QRect room = s ? s->availableGeometry() : QRect(QPoint(0, 0), size() + lacking);
    // The frame's decorations, known once the window has been shown.
    const QSize decorations = frameGeometry().size() - size();
    const QSize wanted = (size() + lacking).boundedTo(room.size() - decorations);
    resize(wanted);
    // A window that grew past the screen's edge comes back onto it.
    QRect frame(frameGeometry().topLeft(), wanted + decorations);
    if (frame.right() > room.right())
        frame.moveRight(room.right());
    if (frame.bottom() > room.bottom())
        frame.moveBottom(room.bottom());
    frame.moveTopLeft(QPoint(qMax(frame.left(), room.left()), qMax(frame.top(), room.top())));
    move(frame.topLeft());
}

QAction *MainWindow::addEntry(QMenu *menu, const QString &caption, bool enabled)
{
    QAction *a = menu ? menu->addAction(caption) : menuBar()->addAction(caption);
    a->setEnabled(enabled);
    a->setObjectName(caption);
    return a;
}

void MainWindow::buildMenus()
{
    QMenu *files = menuBar()->addMenu(tr("Files"));
    connect(addEntry(files, "Save", true), &QAction::triggered, this, [this] {
        saveStatusList(m_program.dialogs(), m_program.dataDir(), m_program.mainStatus().lines());
    });
    connect(addEntry(files, "Download Data", true), &QAction::triggered, this, &MainWindow::showDownload);
    files->addSeparator();
    connect(addEntry(files, "Exit", true), &QAction::triggered, this, &QWidget::close);

    QMenu *edit = menuBar()->addMenu(tr("Edit"));
    addEntry(edit, "Copy All", true); // does nothing, as it always has
    connect(addEntry(edit, "Copy Selected", true), &QAction::triggered, this, &MainWindow::copySelected);

    QMenu *comm = menuBar()->addMenu(tr("Communication"));
    // The download owns the port until it ends.
    auto downloadRuns = [this] {
        if (m_program.download().isRunning())
            m_program.mainStatus().add(QStringLiteral("A download is in progress: abort it first."));
        return m_program.download().isRunning();
    };
    connect(addEntry(comm, "Communication Panel", true), &QAction::triggered, this, [this, downloadRuns] {
        if (downloadRuns())
            return;
        m_program.flags().downloadMode = false;
        showComPanel();
    });
    connect(addEntry(comm, "Open COM Port", true), &QAction::triggered, this, [this, downloadRuns] {
        if (!downloadRuns())
            m_program.openPortFromMenu();
    });
    connect(addEntry(comm, "Close COM Port", true), &QAction::triggered, this,
            [this] { m_program.closePortFromMenu(); });
    connect(addEntry(comm, "Start Real-Time Data", true), &QAction::triggered, this,
            [this] { m_program.realtime().MnuStartRTL_Click(); });
    connect(addEntry(comm, "Stop Real-Time Data", true), &QAction::triggered, this,
            [this] { m_program.realtime().MnuStopRTL_Click(); });

    QMenu *realtime = menuBar()->addMenu(tr("Real-Time Data"));
    connect(addEntry(realtime, "Real-Time Data Panel", true), &QAction::triggered, this,
            &MainWindow::showDashboard);
    connect(addEntry(realtime, "Real-Time Data Listing", true), &QAction::triggered, this,
            &MainWindow::showListing);
    connect(addEntry(realtime, "History", true), &QAction::triggered, this, &MainWindow::showHistory);

    connect(addEntry(nullptr, "Write To Web", true), &QAction::triggered, this, &MainWindow::showWebWindow);
    connect(addEntry(nullptr, "Options", true), &QAction::triggered, this, &MainWindow::showOptions);
    connect(addEntry(nullptr, "QMN-4400 Utility", true), &QAction::triggered, this, &MainWindow::showUtility);

    QMenu *help = menuBar()->addMenu(tr("Help"));
    connect(addEntry(help, "About", true), &QAction::triggered, this,
            [this] { m_program.dialogs().message(aboutText()); });
    const QString url = m_program.settings().SupportUrl;
    QAction *support = addEntry(help, "QMN-4400 support website", !url.trimmed().isEmpty());
    connect(support, &QAction::triggered, this,
            [this] { QDesktopServices::openUrl(QUrl::fromUserInput(m_program.settings().SupportUrl)); });
}

QString MainWindow::aboutText() const
{
    QString where = m_program.settings().SupportUrl.trimmed();
    if (where.isEmpty())
        where = QStringLiteral("the maker's support web page");
    return QStringLiteral("QMN-4400 Pilot Software version ") + Program::kVersion +
           " . This software requires firmware version 2.200 or higher. " +
           "Firmware updates, installer software and instructions may be obtained from " + where + " .";
}

QAction *MainWindow::action(const QString &path) const
{
    const QStringList parts = path.split('/');
    for (QAction *top : menuBar()->actions()) {
        if (top->text() != parts.first())
            continue;
        if (parts.size() == 1)
            return top;
        if (QMenu *menu = top->menu()) {
            for (QAction *a : menu->actions()) {
                if (a->text() == parts.at(1))
                    return a;
            }
        }
    }
    return nullptr;
}

QStringList MainWindow::menuCaptions() const
{
    QStringList captions;
    for (QAction *top : menuBar()->actions()) {
        captions << top->text();
        if (QMenu *menu = top->menu()) {
            for (QAction *a : menu->actions()) {
                if (!a->isSeparator())
                    captions << top->text() + "/" + a->text();
            }
        }
    }
    return captions;
}

void MainWindow::closeEvent(QCloseEvent *event)
{
    m_program.exitSequence();
    event->accept();
}
