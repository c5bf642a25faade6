// The listing window on the program's own listing: what the user copies,
// clears and closes, and the menu entry that opens it.
#include "app/main_window.h"
#include "app/program.h"
#include "listing/listing_window.h"
#include "listing_fixture.h"
#include "scripted_dialogs.h"

#include <QAction>
#include <QClipboard>
#include <QComboBox>
#include <QGuiApplication>
#include <QListView>
#include <QPushButton>
#include <QTabWidget>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>

namespace {

class ListingWindow : public ::testing::Test
{
protected:
    ListingWindow()
    {
        program.setClock(&clock);
        program.flags().realtimeActive = true;
        program.sample().Volt = 120;
    }
    void sampleAt(int h, int m, int s, double p1, double p2)
    {
        clock.at = QDateTime(QDate(2024, 3, 7), QTime(h, m, s));
        program.sample().p1 = p1;
        program.sample().p2 = p2;
        program.dispatch().LogSample(program.sample());
    }
    // Two minute rows, newest 10:02:00 on top.
    void twoMinutes()
    {
        sampleAt(10, 0, 58, 1000, 500);
        sampleAt(10, 0, 59, 1200, 400);
        sampleAt(10, 1, 0, 900, 300);
        sampleAt(10, 2, 0, 900, 300);
    }
    RTlist *open()
    {
        RTlist *w = mainWindow.showListing();
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
};
void PrintTo(const CopyCase &c, std::ostream *os)
{
    *os << c.command << (c.selectSecondRow ? ", second row selected" : "");
}
class CopyCommands : public ListingWindow, public ::testing::WithParamInterface<CopyCase>
{
};

const char kNewer[] = "2\t07:03:2024\t10:02:00\t900\t900\t900\t300\t300\t300\t120.0\t.000\t.000\t.000\r\n";
const char kOlder[] = "1\t07:03:2024\t10:01:00\t1200\t1000\t1100\t500\t400\t450\t120.0\t.000\t.000\t.000\r\n";
const char kHeader[] = "Minute\tDate\tTime\tCH1max W\tCH1min W\tCH1avg W\tCH2max W\tCH2min W\tCH2avg W\tVolt\t"
                       "CH1 KWh\tCH2 KWh\tTOT KWh\t\r\n";

TEST_P(CopyCommands, PutTheMinutePageOnTheClipboardAndSaySo)
{
    const CopyCase c = GetParam();
    twoMinutes();
    RTlist *w = open();
    w->tabs()->setCurrentIndex(ListingTables::Minute);
    if (c.selectSecondRow)
        w->table(ListingTables::Minute)->selectRow(1);
    QGuiApplication::clipboard()->setText("before");

    w->action(c.command)->trigger();

    EXPECT_EQ(QGuiApplication::clipboard()->text(), QString::fromLatin1(c.clipboard));
    EXPECT_EQ(dialogs.messages, QStringList{QString::fromLatin1(c.message)});
}

const std::string kAll = std::string(kNewer) + kOlder;
const std::string kAllH = std::string(kHeader) + kNewer + kOlder;
const std::string kSelH = std::string(kHeader) + kOlder;
INSTANTIATE_TEST_SUITE_P(
    Listing, CopyCommands,
    ::testing::Values(CopyCase{"Copy All", false, kAll.c_str(), "All records copied to clipboard."},
                      CopyCase{"Copy All with Header", false, kAllH.c_str(), "All records copied to clipboard."},
                      CopyCase{"Copy Selected", true, kOlder, " \"Copy Selected\" completed."},
                      CopyCase{"Copy Selected with Header", true, kSelH.c_str(), " \"Copy Selected\" completed."},
                      CopyCase{"Copy Selected", false, "", " \"Copy Selected\" completed."}));

TEST_F(ListingWindow, ClearListEmptiesOnlyTheOneSecondTableOnYes)
{
    twoMinutes();
    RTlist *w = open();
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

TEST_F(ListingWindow, CloseWarnsAndOnYesLosesTheRowsButNotTheStatistics)
{
    twoMinutes();
    QPointer<RTlist> w = open();
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
    RTlist *again = open();
    EXPECT_EQ(again->table(ListingTables::Minute)->model()->rowCount(), 1);
    EXPECT_EQ(again->table(ListingTables::Minute)->model()->index(0, 3).data().toString(), "900");
}

TEST_F(ListingWindow, ExplanationsGoWhenFocusMovesToAnotherControlNotWhenTheirListOpens)
{
    RTlist *w = open();
    w->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(w));
    w->tabs()->setCurrentIndex(ListingTables::Renewable);
    QComboBox *combo = w->infoCombo();
    EXPECT_EQ(combo->count(), 19);
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

TEST_F(ListingWindow, MenuEntryOpensTheOneWindowAndRaisesIt)
{
    QAction *entry = mainWindow.action("Real-Time Data/Real-Time Data Listing");
    ASSERT_TRUE(entry && entry->isEnabled());
    entry->trigger();
    auto *w = mainWindow.findChild<RTlist *>();
    ASSERT_TRUE(w && w->isVisible());
    EXPECT_EQ(w->windowTitle(), "Real-Time Listing");
    w->findChild<QPushButton *>("Command_Hide")->click();
    EXPECT_FALSE(w->isVisible());
    entry->trigger();
    EXPECT_EQ(mainWindow.findChildren<RTlist *>().size(), 1);
    EXPECT_TRUE(w->isVisible());
}

} // namespace
