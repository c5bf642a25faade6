// The main list of a saved download, its clipboard text and the status-list export.
#include "file_size_limit.h"
#include "app/program.h"
#include "download/download_saver.h"
#include "download/main_list.h"
#include "scripted_dialogs.h"
#include "text_file.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <optional>

namespace {

// Three downloaded records of channel 1, channel 2 and volts.
QByteArray download(std::initializer_list<std::array<int, 3>> records)
{
    QByteArray out;
    for (const auto &r : records)
        for (char b : {char(r[0] & 0xFF), char(r[0] >> 8), char(r[1] & 0xFF), char(r[1] >> 8), char(r[2])})
            out += b;
    return out + "\xFE\xFE";
}

struct MainListTest : ::testing::Test
{
    QTemporaryDir dir;
    ScriptedDialogs dialogs;
    MainList list;

    void SetUp() override { list.setLocale(QLocale::c()); }

    // Saved as the save dialog saves it: start 12-31-2008 23:58, 5 minutes.
    QString saved(const QByteArray &data)
    {
        dialogs.nextFileName = dir.filePath("site");
        DownloadSaver saver(dialogs, dir.path());
        QString path;
        saver.save(data, 5, "12312008", "2358", &path);
        return path;
    }
    QStringList row(int r)
    {
        QStringList cells;
        for (int c = 0; c < list.columnCount(); ++c)
            cells << list.data(list.index(r, c)).toString();
        return cells;
    }
    const QByteArray threeRecords = download({{1200, 300, 121}, {1200, 300, 120}, {600, 0, 119}});
};

} // namespace

TEST_F(MainListTest, EveryRecordIsListedNewestFirstWithRunningEnergyAndCostAndCopiedWithTheHeader)
{
    ASSERT_TRUE(list.Openfile(saved(threeRecords)));
    ASSERT_EQ(list.rowCount(), 3);
    EXPECT_EQ(list.interval(), 5);
    EXPECT_EQ(row(2), QStringList({"1", "01:01:2009", "00:03", "1200", "300", "1500", "121", ".100", ".025", ".125",
                                   "$0.02"}));
    EXPECT_EQ(row(0), QStringList({"3", "01:01:2009", "00:13", "600", "0", "600", "119", ".250", ".050", ".300",
                                   "$0.04"}));

    // Copied with the header, only the selected rows.
    const QString header =
        "Rec #\tDate\tTime\tCH1 Watt\tCH2 Watt\tTOT Watt\tVolt\tCH1 KWh\tCH2 KWh\tTOT KWh\tCost $\t\r\n";
    EXPECT_EQ(list.copySelected([](int row) { return row == 0; }),
              header + "3\t01:01:2009\t00:13\t600\t0\t600\t119\t.250\t.050\t.300\t$0.04\r\n");
    EXPECT_EQ(list.copySelected([](int) { return false; }), header);
}

// Cut files give the records they hold whole; one cut inside the header
// gives none. Each file replaces the one listed before it.
TEST_F(MainListTest, CutFilesGiveWhatTheyHoldAndASecondFileReplacesTheFirst)
{
    const QString path = saved(threeRecords);
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray whole = file.readAll();
    file.close();
    const struct
    {
        const char *name;
        QByteArray bytes;
        bool opened;
        int rows;
    } cuts[] = {
        {"InsideARecord", whole.chopped(3), true, 2},
        {"InsideTheChannelNames", whole.left(20), false, 0},
        // A description (tag 2) of 50 characters cut after 12, two records' worth.
        {"InsideADescription", QByteArray("\x01\x00\x02\x32", 4) + QByteArray(12, 'a'), false, 0},
    };
    for (const auto &cut : cuts) {
        SCOPED_TRACE(cut.name);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.write(cut.bytes) == cut.bytes.size());
        file.close();
        EXPECT_EQ(list.Openfile(path), cut.opened);
        EXPECT_EQ(list.rowCount(), cut.rows);
        EXPECT_EQ(list.columnCount(), 11); // the headers are still shown
    }
}

TEST_F(MainListTest, IntervalOfTheListedFileIsSavedAtExit)
{
    Program program(dir.filePath("QMNpilot.ini"), dir.filePath("data"), dialogs);
    ASSERT_TRUE(program.openDataFile(saved(threeRecords)));
    EXPECT_EQ(program.mainList().rowCount(), 3);
    program.exitSequence();
    EXPECT_TRUE(readText(dir.filePath("QMNpilot.ini")).contains("Interval=5\n"));
}

TEST_F(MainListTest, SaveWritesTheStatusListOnlyFromThreeLines)
{
    const QString path = dir.filePath("status.txt");
    dialogs.nextFileName = path;
    saveStatusList(dialogs, dir.path(), {"one", "two"});
    EXPECT_FALSE(QFile::exists(path));
    saveStatusList(dialogs, dir.path(), {"one", "two", "three"});
    EXPECT_EQ(readText(path), "\none\ntwo\nthree\n");
    dialogs.answers = {false};
    saveStatusList(dialogs, dir.path(), {"four", "five", "six"});
    EXPECT_EQ(readText(path), "\none\ntwo\nthree\n");
    EXPECT_EQ(dialogs.questions.last(),
              QString("File \"%1\" already exists.  Do you wish to OVERWRITE this file?").arg(path));
}

namespace {

// (disk full, or the folder is a plain file) x (a download, or the status list)
struct BlockedSaveTest : MainListTest, ::testing::WithParamInterface<std::tuple<bool, bool>> {};

} // namespace

TEST_P(BlockedSaveTest, IsReportedAndTheOldFilesStay)
{
    const auto [diskFull, downloadFiles] = GetParam();
    ASSERT_TRUE(writeText(dir.filePath("plain"), "old"));
    for (const char *name : {"Site1.txt", "Site1.BIN", "SITE1.QMN"})
        ASSERT_TRUE(!diskFull || writeText(dir.filePath(name), "old"));
    const QString folder = diskFull ? dir.path() : dir.filePath("plain");
    dialogs.nextFileName = folder + (downloadFiles ? "/Site1" : "/Site1.txt");
    dialogs.answers = {true};
    {
        std::optional<FileSizeLimit> full;
        if (diskFull)
            full.emplace(16);
        if (downloadFiles) {
            DownloadSaver saver(dialogs, dir.path());
            QString saved;
            EXPECT_EQ(saver.save(QByteArray(100, '\x01'), 5, "12312008", "1345", &saved),
                      DownloadSaver::Outcome::WriteFailed);
        } else {
            saveStatusList(dialogs, dir.path(), QStringList(20, "a line of the status list"));
        }
    }
    ASSERT_EQ(dialogs.messages.size(), 1);
    EXPECT_TRUE(dialogs.messages[0].startsWith("Could not write " + folder + "/Site1.")) << qPrintable(dialogs.messages[0]);
    const QStringList left = QDir(dir.path()).entryList(QDir::Files);
    EXPECT_EQ(left.size(), diskFull ? 4 : 1) << qPrintable(left.join(' '));
    for (const QString &name : left)
        EXPECT_EQ(readText(dir.filePath(name)), "old") << qPrintable(name);
}

INSTANTIATE_TEST_SUITE_P(Places, BlockedSaveTest, ::testing::Combine(::testing::Bool(), ::testing::Bool()),
                         [](const auto &info) {
                             return std::string(std::get<0>(info.param) ? "DiskFull" : "FolderIsAFile")
                                    + (std::get<1>(info.param) ? "Download" : "StatusList");
                         });
