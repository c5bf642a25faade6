// The listing window on the program's own listing: what the user copies,
// clears and closes, the menu entry that opens it, the real-time commands
// that reach the monitor from it and from the dashboard, and what a
// streaming monitor leaves in it.
#include "app/main_window.h"
#include "common/list_copy_text.h"
#include "common/number_picture.h"
#include "listing/listing_window.h"
#include "dashboard/dashboard_window.h"
#include "listing_fixture.h"
#include "sim_program.h"
#include "stored_rows.h"

#include <QAction>
#include <QApplication>
#include <QContextMenuEvent>
#include <QClipboard>
#include <QComboBox>
#include <QListView>
#include <QMenu>
#include <QPushButton>
#include <QTabWidget>
#include <QTableView>
#include <QTest>

namespace {

class ListingWindowTest : public ::testing::Test
{
protected:
    ListingWindowTest()
    {
        program.setClock(&clock);
        program.flags().realtimeActive = true;
        program.sample().Volt = 120;
        // Two minute rows, newest 10:02:00 on top.
        sampleAt(10, 0, 58, 1000, 500);
        sampleAt(10, 0, 59, 1200, 400);
        sampleAt(10, 1, 0, 900, 300);
        sampleAt(10, 2, 0, 900, 300);
    }
    void sampleAt(int h, int m, int s, double p1, double p2)
    {
        clock.at = QDateTime(QDate(2024, 3, 7), QTime(h, m, s));
        program.sample().p1 = p1;
        program.sample().p2 = p2;
        program.dispatch().LogSample(program.sample());
    }
    ListingWindow *open()
    {
        ListingWindow *w = mainWindow.showListing();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(w));
        return w;
    }
    ListingTables &tables() { return program.listing().tables(); }

    QTemporaryDir dir;
    ScriptedDialogs dialogs;
    ManualClock clock;
    Program program{dir.filePath("QMNpilot.ini"), dir.filePath("data"), dialogs};
    MainWindow mainWindow{program};
};

struct CopyCase
{
    const char *command;
    bool selectSecondRow;
    const char *clipboard;
    const char *message;
    bool rightClick = false; // chosen from the menu the right mouse button opens over the table
};
void PrintTo(const CopyCase &c, std::ostream *os)
{
    *os << c.command << (c.selectSecondRow ? ", second row selected" : "") << (c.rightClick ? ", right click" : "");
}
class CopyCommands : public ListingWindowTest, public ::testing::WithParamInterface<CopyCase> {};

const char kNewer[] = "2\t07:03:2024\t10:02:00\t900\t900\t900\t300\t300\t300\t120.0\t.000\t.000\t.000\r\n";
const char kOlder[] = "1\t07:03:2024\t10:01:00\t1200\t1000\t1100\t500\t400\t450\t120.0\t.000\t.000\t.000\r\n";
const char kHeader[] = "Minute\tDate\tTime\tCH1max W\tCH1min W\tCH1avg W\tCH2max W\tCH2min W\tCH2avg W\tVolt\t"
                       "CH1 KWh\tCH2 KWh\tTOT KWh\t\r\n";

TEST_P(CopyCommands, PutTheMinutePageOnTheClipboardAndSaySo)
{
    const CopyCase c = GetParam();
    ListingWindow *w = open();
    w->tabs()->setCurrentIndex(ListingTables::Minute);
    if (c.selectSecondRow)
        w->table(ListingTables::Minute)->selectRow(1);
    QGuiApplication::clipboard()->setText("before");

    if (c.rightClick) {
        QWidget *cells = w->table(ListingTables::Minute)->viewport();
        const QPoint at(cells->width() / 2, 5);
        QContextMenuEvent click(QContextMenuEvent::Mouse, at, cells->mapToGlobal(at));
        QApplication::sendEvent(cells, &click);
        auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget());
        ASSERT_TRUE(menu);
        EXPECT_EQ(menu->title(), "Edit");
        EXPECT_EQ(menu->pos(), cells->mapToGlobal(at));
        QAction *entry = nullptr;
        for (QAction *a : menu->actions())
            entry = a->text() == c.command ? a : entry;
        ASSERT_TRUE(entry);
        menu->close();
        entry->trigger();
    } else {
        w->action(c.command)->trigger();
    }

    EXPECT_EQ(QGuiApplication::clipboard()->text(), QString::fromLatin1(c.clipboard));
    EXPECT_EQ(dialogs.messages, QStringList{QString::fromLatin1(c.message)});
}

const std::string kAll = std::string(kNewer) + kOlder;
const std::string kAllH = std::string(kHeader) + kNewer + kOlder;
const std::string kSelH = std::string(kHeader) + kOlder;
INSTANTIATE_TEST_SUITE_P(
    Listing, CopyCommands,
    ::testing::Values(CopyCase{"Copy All", false, kAll.c_str(), "All records copied to clipboard."},
                      CopyCase{"Copy Selected with Header", true, kSelH.c_str(), " \"Copy Selected\" completed."},
                      CopyCase{"Copy Selected", false, "", " \"Copy Selected\" completed."},
                      CopyCase{"Copy All with Header", false, kAllH.c_str(), "All records copied to clipboard.", true}));

TEST_F(ListingWindowTest, ColumnRangeAlwaysStartsRowsWithTheFirstColumn)
{
    // Headers of columns 3 to 5; rows give column 1, then columns 4 and 5.
    EXPECT_EQ(listCopyText(tables().minute, true, 3, 5, true).text,
              "Time\tCH1max W\tCH1min W\t\r\n2\t900\t900\r\n1\t1200\t1000\r\n");
}

// Under a comma decimal mark the table shows "120,0": the file keeps each
// such value whole, in quotes.
TEST_F(ListingWindowTest, ExportCsvWritesTheCurrentPageAsAFileASpreadsheetReads)
{
    const QLocale before;
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    ListingWindow *w = open();
    w->tabs()->setCurrentIndex(ListingTables::Minute);
    dialogs.nextFileName = dir.filePath("minutes.csv");

    w->action("Export CSV...")->trigger();
    QLocale::setDefault(before);

    QString expected;
    for (const char *line : {kHeader, kNewer, kOlder}) {
        QStringList fields;
        for (QString field : QString::fromLatin1(line).chopped(2).split('\t', Qt::SkipEmptyParts)) {
            field.replace('.', ',');
            fields << (field.contains(',') ? '"' + field + '"' : field);
        }
        expected += fields.join(',') + "\r\n";
    }
    QFile file(dialogs.nextFileName);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(QString::fromUtf8(file.readAll()), expected);
    EXPECT_TRUE(dialogs.messages.isEmpty());
}

TEST_F(ListingWindowTest, ClearListEmptiesOnlyTheOneSecondTableOnYes)
{
    ListingWindow *w = open();
    auto *clear = w->findChild<QPushButton *>("Command_clear");
    dialogs.answers = {false, true};
    clear->click();
    EXPECT_EQ(tables().oneSecond.rowCount(), 4);
    clear->click();
    EXPECT_EQ(dialogs.questions, QStringList(2, "Are you sure you want clear all of the data displayed?"));
    EXPECT_EQ(tables().oneSecond.rowCount(), 0);
    EXPECT_EQ(tables().minute.rowCount(), 2);
    EXPECT_EQ(tables().renewable.rowCount(), 4);
    EXPECT_EQ(w->table(ListingTables::OneSecond)->model()->rowCount(), 0);
}

TEST_F(ListingWindowTest, CloseWarnsAndOnYesLosesTheRowsButNotTheStatistics)
{
    QPointer<ListingWindow> w = open();
    EXPECT_FALSE(w->noticeView()->isVisible()); // samples were listed
    w->action("Exit")->trigger();
    EXPECT_EQ(dialogs.questions, QStringList{"You will lose the listed data."});
    ASSERT_TRUE(w && w->isVisible());
    EXPECT_EQ(w->table(ListingTables::Minute)->model()->rowCount(), 2);

    dialogs.answers = {true};
    w->close();
    EXPECT_TRUE(QTest::qWaitFor([&] { return w.isNull(); }));
    for (int page = 0; page < ListingTables::PageCount; ++page)
        EXPECT_EQ(tables().table(page).rowCount(), 0) << page;
    EXPECT_EQ(program.listing().stats(RealtimeListing::MinuteRecord).sampleCount, 1);

    // Samples go on while the window is gone; opening it again shows them.
    sampleAt(10, 3, 0, 800, 200);
    ListingWindow *again = open();
    EXPECT_EQ(again->table(ListingTables::Minute)->model()->rowCount(), 1);
    EXPECT_EQ(again->table(ListingTables::Minute)->model()->index(0, 3).data().toString(), "900");
}

TEST_F(ListingWindowTest, ExplanationsGoWhenFocusMovesToAnotherControlNotWhenTheirListOpens)
{
    ListingWindow *w = open();
    w->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(w));
    w->tabs()->setCurrentIndex(ListingTables::Renewable);
    QComboBox *combo = w->infoCombo();
    QStringList lines;
    for (int i = 0; i < combo->count(); ++i)
        lines << combo->itemText(i);
    EXPECT_EQ(lines.join('|'),
              "This is based on an installation consisting of CH1 = Inverter and CH2 = Grid Line 1 & 2.|"
              "| \"Solar Pwr W\" is the power(watt) being generated by the Solar System. It will be displayed"
              "| as a positive value only (reading based on CH1 absolute counter).|"
              "| \"PoCo Pwr W\" is the grid power. It is represented by a positive value when power is taken"
              "| from the grid and negative value when generated power is sent to the grid (reading based on"
              "| CH2 polarized counter).|"
              "| \"Load Pwr W\" is the power being consumed by all loads. This should only ever be a positive"
              "| amount. This value is calculate by CH1 power + CH2 (polarized)power.|"
              "| \"Solar Generated KWh\" is the energy which has been generated by the Solar System.|"
              "| \"From Grid KWh\" is the total energy which has been received from the PoCo.|"
              "| \"To Grid KWh\" is the total energy which has been supplied (generated) to the PoCo.|"
              "| \"Consumed KWh\" is the total energy used by all panel connected loads.");
    EXPECT_EQ(combo->currentText(), "");
    combo->setFocus();
    ASSERT_TRUE(QTest::qWaitFor([&] { return combo->hasFocus(); }));
    combo->showPopup();
    ASSERT_TRUE(QTest::qWaitFor([&] { return combo->view()->isVisible(); }));
    EXPECT_EQ(combo->count(), 19);
    combo->hidePopup();
    w->table(ListingTables::Renewable)->setFocus();
    EXPECT_EQ(combo->count(), 0);
}

TEST_F(ListingWindowTest, MenuEntryOpensTheOneWindowAndRaisesIt)
{
    QAction *entry = mainWindow.action("Real-Time Data/Real-Time Data Listing");
    ASSERT_TRUE(entry && entry->isEnabled());
    entry->trigger();
    auto *w = mainWindow.findChild<ListingWindow *>();
    ASSERT_TRUE(w && w->isVisible());
    EXPECT_EQ(w->windowTitle(), "Real-Time Listing");
    w->findChild<QPushButton *>("Command_Hide")->click();
    EXPECT_FALSE(w->isVisible());
    entry->trigger();
    EXPECT_EQ(mainWindow.findChildren<ListingWindow *>().size(), 1);
    EXPECT_TRUE(w->isVisible());
}

// The listing's "Communication" entries and the dashboard's "Start Real-Time"
// switch the monitor through the program's own port; the listing's entries
// then take its notice down.
struct CommandCase
{
    const char *name;
    const char *command; // a listing menu entry, or the dashboard's button
    bool dashboard;
    bool streamingBefore;
    const char *sent; // after the acknowledgement probe
};
class RealTimeCommands : public SimProgramTest, public ::testing::WithParamInterface<CommandCase> {};

TEST_P(RealTimeCommands, SwitchTheMonitor)
{
    const CommandCase &c = GetParam();
    MainWindow mainWindow(*program);
    program->dispatch().LogSample(program->sample()); // real-time off: the notice goes up
    ASSERT_EQ(program->listing().notices().lines(), QStringList{RealtimeListing::kNotice});
    sim.setStreaming(c.streamingBefore);
    program->flags().realtimeActive = c.streamingBefore;

    if (c.dashboard) {
        DashboardWindow *w = mainWindow.showDashboard();
        QPushButton *start = nullptr;
        for (QPushButton *b : w->findChildren<QPushButton *>())
            start = b->text() == c.command ? b : start;
        ASSERT_TRUE(start);
        start->click();
    } else {
        mainWindow.showListing()->action(c.command)->trigger();
    }
    ASSERT_TRUE(QTest::qWaitFor([&] { return sim.streaming() != c.streamingBefore; }, 15000));
    EXPECT_EQ(sim.received(), QByteArray("\xFC") + c.sent);
    if (!c.dashboard) {
        EXPECT_TRUE(QTest::qWaitFor([&] { return program->listing().notices().lines().isEmpty(); }, 10000));
    }
    EXPECT_TRUE(dialogs.messages.isEmpty());
}

INSTANTIATE_TEST_SUITE_P(Listing, RealTimeCommands,
                         ::testing::Values(CommandCase{"ListingStart", "Start Real-Time Data", false, false, "TOGPLR"},
                                           CommandCase{"ListingStop", "Stop Real-Time Data", false, true, "TOGOFF"},
                                           CommandCase{"DashboardStart", "Start Real-Time", true, false, "TOGPLR"}),
                         [](const auto &info) { return std::string(info.param.name); });


// The monitor's seconds counter as the computer's clock: the first sample
// listed falls on 10:00:30, and each packet is one second later.
class PacketClock : public Clock
{
public:
    explicit PacketClock(const RealtimeSample &sample) : m_sample(sample) {}
    QDateTime now() const override
    {
        if (!m_first)
            m_first = m_sample.secondsCounter;
        return QDateTime(QDate(2024, 6, 21), QTime(10, 0, 30)).addSecs(m_sample.secondsCounter - *m_first);
    }

private:
    const RealtimeSample &m_sample;
    mutable std::optional<int32_t> m_first;
};

using ListingFlow = StreamingProgramTest;

TEST_F(ListingFlow, ListedRowsAgreeWithTheDatabase)
{
    // Morning to afternoon of a solar house: importing first, then exporting on CH2.
    sim.model().setSolar(3000, 800, 3000);
    sim.model().setDayStartHour(6.5);
    sim.model().setVoltage(121.3);
    sim.model().setSecondsStart(5000);
    sim.model().setEnergyStart(7200000, 3600000, 0, 1000);
    ASSERT_NO_FATAL_FAILURE(make(10));
    PacketClock clock(program->sample());
    program->setClock(&clock);
    // Packets flow from the start; the listing need not wait for the watchdog to notice.
    program->flags().realtimeActive = true;
    ListingTables &tables = program->listing().tables();
    program->startUp();
    // Rows at 10:01:00 and 10:02:00: 91 samples.
    ASSERT_TRUE(QTest::qWaitFor([&] { return tables.minute.rowCount() >= 2; }, 20000));
    program->serial().ClosePort();
    program->exitSequence();

    const auto table = storedSamples(db, "p1,p2,pp2,volt,kwh1,kwh2,kwh2p");
    const int n = int(table.size());
    ASSERT_EQ(tables.oneSecond.rowCount(), n);
    bool exported = false, imported = false;
    for (int i = 0; i < n; ++i) {
        const auto &d = table[i];
        const int r = n - 1 - i; // newest row on top
        EXPECT_EQ(tables.oneSecond.value(r, 3), d["p1"]) << i;
        EXPECT_EQ(tables.oneSecond.value(r, 4), d["p2"]) << i;
        EXPECT_DOUBLE_EQ(tables.oneSecond.value(r, 6), d["volt"]) << i;
        EXPECT_NEAR(tables.oneSecond.value(r, 7), d["kwh1"], 1e-9) << i;
        EXPECT_EQ(tables.renewable.value(r, 4), d["pp2"]) << i;
        EXPECT_NEAR(tables.renewable.value(r, 8), d["kwh2"] - d["kwh2p"], 1e-9) << i;
        EXPECT_NEAR(tables.renewable.value(r, 9), d["kwh2p"], 1e-9) << i;
        exported |= d["pp2"] < 0;
        imported |= d["pp2"] > 0;
    }
    EXPECT_TRUE(exported && imported);

    // Database row 30 is the sample at 10:01:00, row 90 the one at 10:02:00.
    ASSERT_GT(n, 90);
    const int last = tables.minute.rowCount() - 1;
    EXPECT_EQ(tables.minute.text(last, 2), "10:01:00");
    EXPECT_EQ(tables.minute.text(last - 1, 2), "10:02:00");
    const double ch1 = table[90]["kwh1"] - table[30]["kwh1"];
    const double ch2 = table[90]["kwh2"] - table[30]["kwh2"];
    EXPECT_NEAR(tables.minute.value(last - 1, 10), ch1, 1e-9);
    EXPECT_NEAR(tables.minute.value(last - 1, 11), ch2, 1e-9);
    EXPECT_EQ(tables.minute.text(last - 1, 12), formatNumber(ch1 + ch2, "##.000"));
    EXPECT_TRUE(dialogs.messages.isEmpty());
}

} // namespace
