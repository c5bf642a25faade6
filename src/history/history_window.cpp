#include "history/history_window.h"

#include "common/dialogs.h"
#include "common/list_copy_text.h"
#include "common/overwrite_question.h"
#include "history/history_chart_widget.h"
#include "history/history_logic.h"

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QDateEdit>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QSaveFile>
#include <QScreen>
#include <QShortcut>
#include <QSplitter>
#include <QTableView>
#include <QVBoxLayout>

namespace {

QPushButton *button(const QString &text, const QString &name, QWidget *parent)
{
    auto *b = new QPushButton(text, parent);
    b->setAccessibleName(name);
    return b;
}

} // namespace

HistoryWindow::HistoryWindow(HistoryLogic &logic, Dialogs &dialogs, QWidget *parent)
    : QWidget(parent, Qt::Window)
    , m_logic(logic)
    , m_dialogs(dialogs)
{
    setWindowTitle(QStringLiteral("History"));
    setAttribute(Qt::WA_DeleteOnClose);

    auto *layout = new QVBoxLayout(this);
    auto *bar = new QHBoxLayout;
    m_period = new QComboBox(this);
    m_period->setAccessibleName(QStringLiteral("Period"));
    for (PeriodKind k : {PeriodKind::Day, PeriodKind::Week, PeriodKind::Month, PeriodKind::Year, PeriodKind::All})
        m_period->addItem(HistoryPeriod::name(k));
    m_view = new QComboBox(this);
    m_view->setAccessibleName(QStringLiteral("View"));
    m_view->addItems({QStringLiteral("Channels"), QStringLiteral("Solar")});
    auto *previous = button(QStringLiteral("< Previous"), QStringLiteral("Previous"), this);
    auto *today = button(QStringLiteral("Today"), QStringLiteral("Today"), this);
    auto *next = button(QStringLiteral("Next >"), QStringLiteral("Next"), this);
    m_date = new QDateEdit(this);
    m_date->setCalendarPopup(true);
    m_date->setAccessibleName(QStringLiteral("Date"));
    m_title = new QLabel(this);
    QFont bold = m_title->font();
    bold.setBold(true);
    m_title->setFont(bold);
    // On Linux a screen reader names a combo box by its current item and
    // finds what it is for through the label whose buddy it is.
    const auto labelled = [&](const QString &caption, QWidget *field) {
        auto *label = new QLabel(caption, this);
        label->setBuddy(field);
        bar->addWidget(label);
        bar->addWidget(field);
    };
    labelled(QStringLiteral("&Period:"), m_period);
    labelled(QStringLiteral("&View:"), m_view);
    bar->addWidget(previous);
    bar->addWidget(today);
    bar->addWidget(next);
    labelled(QStringLiteral("&Date:"), m_date);
    bar->addWidget(m_title, 1);
    layout->addLayout(bar);

    m_chart = new HistoryChartWidget(logic.table(), this);
    m_chart->setAccessibleName(QStringLiteral("Energy chart"));

    auto *lower = new QWidget(this);
    auto *lowerLayout = new QVBoxLayout(lower);
    lowerLayout->setContentsMargins(0, 0, 0, 0);
    for (int i = 0; i < 6; ++i) {
        auto *label = new QLabel(lower);
        label->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
        m_totals << label;
        lowerLayout->addWidget(label);
    }
    m_table = new QTableView(lower);
    m_table->setModel(&logic.table());
    m_table->setAccessibleName(QStringLiteral("History table"));
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->verticalHeader()->hide();
    m_table->verticalHeader()->setDefaultSectionSize(m_table->fontMetrics().height() + 4);
    m_table->viewport()->installEventFilter(this);
    m_table->setMinimumHeight(m_table->fontMetrics().height() * 8);
    lowerLayout->addWidget(m_table, 1);

    auto *splitter = new QSplitter(Qt::Vertical, this);
    splitter->addWidget(m_chart);
    splitter->addWidget(lower);
    splitter->setStretchFactor(0, 1);
    splitter->setStretchFactor(1, 1);
    splitter->setChildrenCollapsible(false);
    splitter->handle(1)->setAccessibleName(QStringLiteral("Divider between chart and table"));
    layout->addWidget(splitter, 1);

    auto *foot = new QHBoxLayout;
    m_progress = new QProgressBar(this);
    m_progress->setAccessibleName(QStringLiteral("Reading the database"));
    m_cancel = button(QStringLiteral("Cancel"), QStringLiteral("Cancel reading"), this);
    m_problem = new QLabel(this);
    m_problem->setWordWrap(true);
    auto *copy = button(QStringLiteral("Copy"), QStringLiteral("Copy"), this);
    auto *exportButton = button(QStringLiteral("Export CSV..."), QStringLiteral("Export CSV..."), this);
    foot->addWidget(m_progress);
    foot->addWidget(m_cancel);
    foot->addWidget(m_problem, 1);
    foot->addWidget(copy);
    foot->addWidget(exportButton);
    layout->addLayout(foot);

    connect(m_period, &QComboBox::activated, this, [this](int i) { m_logic.setKind(PeriodKind(i)); });
    connect(m_view, &QComboBox::activated, this, [this](int i) { m_logic.setView(HistoryView(i)); });
    connect(previous, &QPushButton::clicked, &m_logic, &HistoryLogic::previous);
    connect(next, &QPushButton::clicked, &m_logic, &HistoryLogic::next);
    connect(today, &QPushButton::clicked, &m_logic, &HistoryLogic::today);
    connect(m_date, &QDateEdit::dateChanged, this, [this](const QDate &d) {
        if (d != m_logic.anchor())
            m_logic.show(m_logic.kind(), d);
    });
    connect(m_chart, &HistoryChartWidget::barActivated, &m_logic, &HistoryLogic::openBar);
    connect(m_cancel, &QPushButton::clicked, &m_logic, &HistoryLogic::cancel);
    connect(copy, &QPushButton::clicked, this, [this] { QApplication::clipboard()->setText(copyText()); });
    connect(exportButton, &QPushButton::clicked, this, &HistoryWindow::exportCsv);
    for (auto [key, slot] : {std::pair{Qt::Key_PageUp, &HistoryLogic::previous}, std::pair{Qt::Key_PageDown, &HistoryLogic::next},
                             std::pair{Qt::Key_Home, &HistoryLogic::today}})
        connect(new QShortcut(QKeySequence(key), this), &QShortcut::activated, &m_logic, slot);
    connect(&m_logic, &HistoryLogic::figuresChanged, this, &HistoryWindow::showFigures);
    connect(&m_logic, &HistoryLogic::stateChanged, this, &HistoryWindow::showState);
    connect(&m_logic, &HistoryLogic::problemChanged, this, [this](const QString &problem) {
        m_problem->setText(problem);
        m_problem->setAccessibleName(problem);
    });

    // Most of a 1024 x 768 screen, and no wider than the bars stay readable
    // on a large one.
    if (const QScreen *screen = QGuiApplication::primaryScreen()) {
        const QSize room = screen->availableSize();
        resize(std::min(room.width() * 95 / 100, 1400), std::min(room.height() * 90 / 100, 1000));
    }
    showFigures();
    showState();
    m_logic.setWatched(true);
    // The first opening shows today; a later one the period last shown,
    // brought up to date.
    if (m_logic.looks() == 0)
        m_logic.today();
    else
        m_logic.refresh();
}

HistoryWindow::~HistoryWindow()
{
    m_logic.setWatched(false);
}

void HistoryWindow::showFigures()
{
    const PeriodFigures &f = m_logic.table().figures();
    m_period->setCurrentIndex(int(m_logic.kind()));
    m_view->setCurrentIndex(int(m_logic.view()));
    {
        const QSignalBlocker block(m_date);
        m_date->setDate(m_logic.anchor());
    }
    m_title->setText(f.title);
    m_title->setAccessibleName(f.title);
    const QStringList lines = m_logic.table().totalsLines();
    for (qsizetype i = 0; i < m_totals.size(); ++i) {
        m_totals[i]->setText(lines.value(i));
        m_totals[i]->setAccessibleName(lines.value(i));
        m_totals[i]->setVisible(i < lines.size());
    }
    m_chart->refresh();
    fitColumns();
}

void HistoryWindow::fitColumns()
{
    // Each column as wide as its texts, then the width left over shared
    // out, so the numbers spread over the table rather than leaving most of
    // it empty; a narrow window scrolls instead of cutting a figure.
    QHeaderView *header = m_table->horizontalHeader();
    header->resizeSections(QHeaderView::ResizeToContents);
    const int n = header->count(), spare = m_table->viewport()->width() - header->length();
    for (int c = 0; c < n && spare > 0; ++c)
        header->resizeSection(c, header->sectionSize(c) + spare / n + (c < spare % n ? 1 : 0));
}

bool HistoryWindow::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_table->viewport() && event->type() == QEvent::Resize)
        fitColumns();
    return QWidget::eventFilter(watched, event);
}

void HistoryWindow::showState()
{
    m_progress->setVisible(m_logic.progressShown());
    m_cancel->setVisible(m_logic.progressShown());
    m_progress->setValue(m_logic.percent());
}

QString HistoryWindow::copyText() const
{
    return listCopyText(*m_table->model(), true).text;
}

void HistoryWindow::exportCsv()
{
    const QString path = m_dialogs.saveFileName(QStringLiteral("Export CSV"), QString(),
                                                QStringLiteral("CSV file (*.csv);;All files (*)"));
    if (path.isEmpty() || (QFileInfo::exists(path) && !m_dialogs.askYesNo(overwriteQuestion(path))))
        return;
    // Written whole or not at all: a full disk leaves the old file as it was.
    QSaveFile file(path);
    const QByteArray text = listCsvText(*m_table->model()).toUtf8();
    if (!file.open(QIODevice::WriteOnly) || file.write(text) != text.size() || !file.commit())
        m_dialogs.message(QStringLiteral("Could not write %1: %2").arg(path, file.errorString()));
}
