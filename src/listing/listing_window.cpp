#include "listing/listing_window.h"

#include "common/dialogs.h"
#include "common/overwrite_question.h"
#include "common/list_copy_text.h"
#include "listing/realtime_listing.h"
#include "common/row_table_view.h"
#include "realtime/realtime_control.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QComboBox>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QListView>
#include <QMenuBar>
#include <QPushButton>
#include <QSaveFile>
#include <QScreen>
#include <QScrollBar>
#include <QStyle>
#include <QTabWidget>
#include <QTableView>
#include <QVBoxLayout>

#include <qcoro/qcorotask.h>

namespace {

struct PageLook
{
    const char *caption;
    QColor background;
    QColor text;
};

const PageLook kPages[ListingTables::PageCount] = {
    {"One Second Listing", QColor(224, 224, 224), QColor(0, 0, 64)},
    {"One Minute Summary", QColor(192, 255, 255), QColor(0, 0, 64)},
    {"Five Minute Summary", QColor(255, 255, 192), QColor(0, 0, 64)},
    {"One Hour Summary", QColor(255, 192, 192), QColor(0, 0, 64)},
    {"Daily Summary", QColor(236, 236, 188), QColor(0, 0, 0)},
    {"Renewable Energy", QColor(224, 224, 224), QColor(0, 0, 64)},
};

// The notice goes once the command has run, whatever its outcome; the list
// lives as long as the program, so the window may close meanwhile.
QCoro::Task<> runThenClear(QCoro::Task<> command, StatusList *notices)
{
    co_await std::move(command);
    notices->clear();
}

} // namespace

ListingWindow::ListingWindow(RealtimeListing &listing, RealtimeControl &realtime, Dialogs &dialogs, QWidget *parent)
    : QMainWindow(parent, Qt::Window)
    , m_listing(listing)
    , m_realtime(realtime)
    , m_dialogs(dialogs)
{
    setObjectName(QStringLiteral("ListingWindow"));
    setWindowTitle(QStringLiteral("Real-Time Listing"));
    setAttribute(Qt::WA_DeleteOnClose);

    m_tabs = new QTabWidget(this);
    m_tabs->setObjectName(QStringLiteral("RTL_tab1"));
    m_tabs->setToolTip(QStringLiteral("Select Live Data Time Interval Report"));
    m_tabs->setAccessibleName(QStringLiteral("Live Data Time Interval Report"));
    buildMenus();
    for (int page = 0; page < ListingTables::PageCount; ++page)
        m_tabs->addTab(buildPage(page), QString::fromLatin1(kPages[page].caption));
    m_tabs->setCurrentIndex(0);
    setCentralWidget(m_tabs);

    fillInfoCombo();
    connect(qApp, &QApplication::focusChanged, this, &ListingWindow::onFocusChanged);
    sizeToTables();
}

QWidget *ListingWindow::buildPage(int page)
{
    auto *widget = new QWidget(m_tabs);
    auto *layout = new QVBoxLayout(widget);
    if (page == ListingTables::OneSecond) {
        auto *top = new QHBoxLayout;
        m_notifyList = new QListView(widget);
        m_notifyList->setObjectName(QStringLiteral("notifyList"));
        m_notifyList->setAccessibleName(QStringLiteral("Notices"));
        m_notifyList->setModel(&m_listing.notices());
        m_notifyList->setEditTriggers(QAbstractItemView::NoEditTriggers);
        m_notifyList->setFixedHeight(m_notifyList->fontMetrics().height() * 2 + 2 * m_notifyList->frameWidth());
        m_notifyList->setVisible(m_listing.noticeVisible());
        connect(&m_listing, &RealtimeListing::noticeVisibleChanged, m_notifyList, &QWidget::setVisible);
        top->addWidget(m_notifyList, 1);
        top->addStretch();

        auto *hide = new QPushButton(QStringLiteral("Hide"), widget);
        hide->setObjectName(QStringLiteral("Command_Hide"));
        connect(hide, &QPushButton::clicked, this, &QWidget::hide);
        auto *clear = new QPushButton(QStringLiteral("Clear List"), widget);
        clear->setObjectName(QStringLiteral("Command_clear"));
        connect(clear, &QPushButton::clicked, this, [this] {
            if (m_dialogs.askYesNo(QStringLiteral("Are you sure you want clear all of the data displayed?")))
                m_listing.tables().oneSecond.clear();
        });
        top->addWidget(hide);
        top->addWidget(clear);
        layout->addLayout(top);
    } else if (page == ListingTables::Renewable) {
        auto *top = new QHBoxLayout;
        m_comboRenew = new QComboBox(widget);
        m_comboRenew->setObjectName(QStringLiteral("Combo_renew"));
        m_comboRenew->setPlaceholderText(QStringLiteral("Info."));
        m_comboRenew->setAccessibleName(QStringLiteral("Info."));
        m_comboRenew->setMinimumContentsLength(12);
        top->addWidget(m_comboRenew);
        top->addStretch();
        layout->addLayout(top);
    }
    m_tables[page] = makeTable(page, widget);
    layout->addWidget(m_tables[page], 1);
    return widget;
}

QTableView *ListingWindow::makeTable(int page, QWidget *parent)
{
    RowTableModel &model = m_listing.tables().table(page);
    auto *view = new QTableView(parent);
    setUpRowTableView(view, model);
    view->setAccessibleName(QString::fromLatin1(kPages[page].caption));

    QPalette palette = view->palette();
    palette.setColor(QPalette::Base, kPages[page].background);
    palette.setColor(QPalette::Text, kPages[page].text);
    view->setPalette(palette);

    view->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(view, &QWidget::customContextMenuRequested, this,
            [this, view](const QPoint &pos) { m_editMenu->popup(view->viewport()->mapToGlobal(pos)); });
    return view;
}

void ListingWindow::buildMenus()
{
    const auto add = [this](QMenu *menu, const char *caption, const char *name) {
        QAction *a = menu->addAction(QString::fromLatin1(caption));
        a->setObjectName(QString::fromLatin1(name));
        return a;
    };
    QMenu *file = menuBar()->addMenu(QStringLiteral("File"));
    connect(add(file, "Exit", "MnuExit"), &QAction::triggered, this, &QWidget::close);

    m_editMenu = menuBar()->addMenu(QStringLiteral("Edit"));
    m_editMenu->setObjectName(QStringLiteral("MnuEdit"));
    connect(add(m_editMenu, "Copy All", "MnuCopyAll"), &QAction::triggered, this, [this] { copyCommand(false, true); });
    connect(add(m_editMenu, "Copy All with Header", "MnuCopyAllH"), &QAction::triggered, this,
            [this] { copyCommand(true, true); });
    connect(add(m_editMenu, "Copy Selected", "MnuCopySelected"), &QAction::triggered, this,
            [this] { copyCommand(false, false); });
    connect(add(m_editMenu, "Copy Selected with Header", "MnuCopywithHead"), &QAction::triggered, this,
            [this] { copyCommand(true, false); });
    connect(add(m_editMenu, "Export CSV...", "MnuExportCsv"), &QAction::triggered, this, &ListingWindow::exportCsvCommand);

    QMenu *comm = menuBar()->addMenu(QStringLiteral("Communication"));
    connect(add(comm, "Start Real-Time Data", "MnuStartRTL"), &QAction::triggered, this,
            [this] { runThenClear(m_realtime.MnuStartRTL_Click(), &m_listing.notices()); });
    connect(add(comm, "Stop Real-Time Data", "MnuStopRTL"), &QAction::triggered, this,
            [this] { runThenClear(m_realtime.MnuStopRTL_Click(), &m_listing.notices()); });
}

QTableView *ListingWindow::table(int page) const
{
    return page >= 0 && page < ListingTables::PageCount ? m_tables[page] : nullptr;
}

QAction *ListingWindow::action(const QString &caption) const
{
    for (QAction *top : menuBar()->actions())
        if (QMenu *menu = top->menu())
            for (QAction *a : menu->actions())
                if (a->text() == caption)
                    return a;
    return nullptr;
}

int ListingWindow::LvCopyToClipboard(QTableView *lvCopy, bool bIncludeHeaders, int lFirstCol, int lLastCol, bool bCopyAll)
{
    if (!lvCopy || !lvCopy->model())
        return 0;
    const QItemSelectionModel *selection = lvCopy->selectionModel();
    const ListCopyText copy =
        listCopyText(*lvCopy->model(), bIncludeHeaders, lFirstCol, lLastCol, bCopyAll,
                     [selection](int row) { return selection && selection->isRowSelected(row, QModelIndex()); });
    QClipboard *clipboard = QGuiApplication::clipboard();
    clipboard->clear();
    clipboard->setText(copy.text);
    return copy.count;
}

void ListingWindow::copyCommand(bool headers, bool all)
{
    QApplication::setOverrideCursor(Qt::WaitCursor);
    LvCopyToClipboard(table(m_tabs->currentIndex()), headers, 1, -1, all);
    QApplication::restoreOverrideCursor();
    m_dialogs.message(all ? QStringLiteral("All records copied to clipboard.")
                          : QStringLiteral(" \"Copy Selected\" completed."));
}

void ListingWindow::exportCsvCommand()
{
    const QTableView *view = table(m_tabs->currentIndex());
    if (!view || !view->model())
        return;
    const QString path = m_dialogs.saveFileName(QStringLiteral("Export CSV"), QString(),
                                                QStringLiteral("CSV file (*.csv);;All files (*)"));
    if (path.isEmpty() || (QFileInfo::exists(path) && !m_dialogs.askYesNo(overwriteQuestion(path))))
        return;
    // Written whole or not at all: a full disk leaves the old file as it was.
    QSaveFile file(path);
    const QByteArray text = listCsvText(*view->model()).toUtf8();
    if (!file.open(QIODevice::WriteOnly) || file.write(text) != text.size() || !file.commit())
        m_dialogs.message(QStringLiteral("Could not write %1: %2").arg(path, file.errorString()));
}

QStringList ListingWindow::renewableInfo()
{
    return {
        QStringLiteral("This is based on an installation consisting of CH1 = Inverter and CH2 = Grid Line 1 & 2."),
        QString(),
        QStringLiteral(" \"Solar Pwr W\" is the power(watt) being generated by the Solar System. It will be displayed"),
        QStringLiteral(" as a positive value only (reading based on CH1 absolute counter)."),
        QString(),
        QStringLiteral(" \"PoCo Pwr W\" is the grid power. It is represented by a positive value when power is taken"),
        QStringLiteral(" from the grid and negative value when generated power is sent to the grid (reading based on"),
        QStringLiteral(" CH2 polarized counter)."),
        QString(),
        QStringLiteral(" \"Load Pwr W\" is the power being consumed by all loads. This should only ever be a positive"),
        QStringLiteral(" amount. This value is calculate by CH1 power + CH2 (polarized)power."),
        QString(),
        QStringLiteral(" \"Solar Generated KWh\" is the energy which has been generated by the Solar System."),
        QString(),
        QStringLiteral(" \"From Grid KWh\" is the total energy which has been received from the PoCo."),
        QString(),
        QStringLiteral(" \"To Grid KWh\" is the total energy which has been supplied (generated) to the PoCo."),
        QString(),
        QStringLiteral(" \"Consumed KWh\" is the total energy used by all panel connected loads."),
    };
}

void ListingWindow::fillInfoCombo()
{
    const QStringList info = renewableInfo();
    m_comboRenew->addItems(info);
    m_comboRenew->setCurrentIndex(-1);
    // The explanations are long lines: let the list show them whole.
    int widest = 0;
    for (const QString &line : info)
        widest = qMax(widest, m_comboRenew->fontMetrics().horizontalAdvance(line));
    m_comboRenew->view()->setMinimumWidth(widest + 4 * m_comboRenew->fontMetrics().averageCharWidth());
}

void ListingWindow::onFocusChanged(QWidget *old, QWidget *now)
{
    // The explanations are read once: they go when the focus moves on to
    // another control of this window. The combo's own list opening (a popup
    // window of its own) does not count.
    if (old != m_comboRenew || !now || now == m_comboRenew || now->window() != this)
        return;
    m_comboRenew->clear();
}

void ListingWindow::sizeToTables()
{
    int widest = 0;
    for (QTableView *view : m_tables) {
        int width = 2 * view->frameWidth() + view->verticalScrollBar()->sizeHint().width();
        for (int c = 0; c < view->model()->columnCount(); ++c)
            width += view->columnWidth(c);
        widest = qMax(widest, width);
    }
    const int margins = 4 * style()->pixelMetric(QStyle::PM_LayoutLeftMargin);
    QSize size(widest + margins, fontMetrics().height() * 34);
    if (const QScreen *s = screen())
        size = size.boundedTo(s->availableGeometry().size() * 0.95);
    resize(size);
}

void ListingWindow::closeEvent(QCloseEvent *event)
{
    if (!m_dialogs.askYesNo(QStringLiteral("You will lose the listed data."))) {
        event->ignore();
        return;
    }
    m_listing.resetWindowContent();
    event->accept();
}
