// The download as a user runs it: the main window's menu, the download
// window, the save dialog and the records in the main list.
#include "app/main_window.h"
#include "download/download_window.h"
#include "download/save_download_dialog.h"
#include "sim_program.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QProgressBar>
#include <QPushButton>
#include <QTableView>
#include <QTest>

namespace {

struct DownloadWindowTest : SimProgramTest
{
    std::unique_ptr<MainWindow> window;

    void SetUp() override
    {
        SimProgramTest::SetUp();
        ASSERT_FALSE(HasFatalFailure());
        sim.logger().fillDay(120);
        window = std::make_unique<MainWindow>(*program);
        window->show();
    }
    void TearDown() override { window.reset(); }

    SaveDownloadDialog *saveDialog()
    {
        for (QWidget *w : QApplication::topLevelWidgets()) {
            if (auto *d = qobject_cast<SaveDownloadDialog *>(w); d && d->isVisible())
                return d;
        }
        return nullptr;
    }
    QPushButton *button(QWidget *parent, const QString &text)
    {
        for (auto *b : parent->findChildren<QPushButton *>()) {
            if (b->text() == text)
                return b;
        }
        return nullptr;
    }
};

} // namespace

TEST_F(DownloadWindowTest, DownloadedRecordsEndUpInTheMainList)
{
    EXPECT_FALSE(window->mainListView()->isVisible());
    window->action("Files/Download Data")->trigger();
    DownloadWindow *frm = window->showDownload();
    QTest::mouseClick(button(frm, "Start"), Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor([&] { return saveDialog() != nullptr; }, 20000));
    EXPECT_EQ(frm->deviceIdBox()->text(), "074523009900");
    EXPECT_EQ(frm->intervalBox()->text(), "5 Minute");
    EXPECT_EQ(frm->recordsBox()->text(), "120");
    EXPECT_EQ(frm->progress()->maximum(), 120 * 5 + 5);
    EXPECT_EQ(frm->progress()->value(), frm->progress()->maximum());

    // The port belongs to the download until it ends.
    window->action("Communication/Open COM Port")->trigger();
    EXPECT_EQ(program->mainStatus().lines(), QStringList({"A download is in progress: abort it first."}));
    EXPECT_TRUE(program->flags().downloadMode);

    SaveDownloadDialog *dialog = saveDialog();
    QApplication::setActiveWindow(dialog);
    ASSERT_TRUE(QTest::qWaitForWindowActive(dialog));
    dialog->timeBox()->setFocus();
    EXPECT_EQ(dialog->hintLine()->text(), "Enter Time (hh:mm) [24 hour time] and press TAB key");
    dialog->dateBox()->setFocus();
    EXPECT_EQ(dialog->hintLine()->text(), "Enter Date (mm-dd-yyyy) and press TAB key.");
    // A date the calendar does not have keeps the dialog open.
    QTest::keyClicks(dialog->dateBox(), "02302024");
    QTest::keyClicks(dialog->timeBox(), "0800");
    dialogs.nextFileName = dir.filePath("day");
    QTest::mouseClick(button(dialog, "&Save"), Qt::LeftButton);
    EXPECT_EQ(dialogs.messages.value(0), "Invalid Date, please re-enter");
    ASSERT_EQ(saveDialog(), dialog);

    dialog->dateBox()->clear();
    QTest::keyClicks(dialog->dateBox(), "03012024");
    QTest::mouseClick(button(dialog, "&Save"), Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !program->download().isRunning(); }, 10000));
    EXPECT_EQ(saveDialog(), nullptr);
    EXPECT_TRUE(window->mainListView()->isVisible());
    ASSERT_EQ(program->mainList().rowCount(), 120);
    EXPECT_EQ(program->mainList().data(program->mainList().index(0, 1)).toString(), "03:01:2024");
    EXPECT_EQ(program->mainList().data(program->mainList().index(0, 2)).toString(), "18:00");
}

TEST_F(DownloadWindowTest, LineEventsGoToTheDownloadListOnly)
{
    DownloadWindow *frm = window->showDownload();
    emit program->serial().commEvent(1003);
    EXPECT_EQ(program->download().messages().lines(), QStringList({"Com event error # 1003"}));
    EXPECT_EQ(frm->statusView()->model()->rowCount(), 1);
    EXPECT_TRUE(program->mainStatus().lines().isEmpty());
}
