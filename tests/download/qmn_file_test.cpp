// Saving a download: the start-of-monitoring checks, NAME.BIN and NAME.QMN.
#include "download/download_saver.h"
#include "download/qmn_file.h"
#include "scripted_dialogs.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

namespace {

QByteArray fileBytes(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("(missing)");
}

// The start-of-monitoring checks: MMDDYYYY, real dates from 1993; hhmm of a day.
struct CheckCase
{
    bool (*check)(const QString &);
    const char *digits;
    bool valid;
};
void PrintTo(const CheckCase &c, std::ostream *os) { *os << c.digits; }
struct StartCheck : ::testing::TestWithParam<CheckCase> {};

constexpr auto isDate = QmnFile::dateIsValid;
constexpr auto isTime = QmnFile::timeIsValid;

} // namespace

TEST_P(StartCheck, AcceptsOnlyRealDatesFrom1993AndTimesOfADay)
{
    EXPECT_EQ(GetParam().check(GetParam().digits), GetParam().valid);
}
INSTANTIATE_TEST_SUITE_P(
    Table, StartCheck,
    ::testing::Values(CheckCase{isDate, "02292008", true}, CheckCase{isDate, "02292009", false},
                      CheckCase{isDate, "04312008", false}, CheckCase{isDate, "12311992", false},
                      CheckCase{isDate, "01011993", true}, CheckCase{isDate, "13012008", false},
                      CheckCase{isDate, "01002008", false}, CheckCase{isDate, "0101200", false},
                      CheckCase{isDate, "02292100", true}, CheckCase{isTime, "2359", true},
                      CheckCase{isTime, "2400", false}, CheckCase{isTime, "0000", true},
                      CheckCase{isTime, "1260", false}, CheckCase{isTime, "0759", true}));

struct SaveTest : ::testing::Test
{
    QTemporaryDir dir;
    ScriptedDialogs dialogs;
    DownloadSaver saver{dialogs, dir.path()};
    QString saved;

    DownloadSaver::Outcome save(const QByteArray &data, const QString &date = "12312008",
                                const QString &time = "1345")
    {
        return saver.save(data, 5, date, time, &saved);
    }
};

TEST_F(SaveTest, OneRecordGivesTheExactFilesUnderTheUpperCasedName)
{
    dialogs.nextFileName = dir.filePath("Site1");
    const QByteArray data("\x10\x27\x20\x4E\x78\xFE\xFE", 7);
    ASSERT_EQ(save(data), DownloadSaver::Outcome::Saved);
    EXPECT_EQ(saved, dir.filePath("SITE1.QMN"));
    const QByteArray qmn = QByteArray("\x01\x00\x08", 3) + "12312008134500" +
                           QByteArray("\x14\x01\x00\x01\x00\x01\x00\x14\x01\x05\x00\x01\x00\x14", 14) +
                           QByteArray("\x10\x27\x20\x4E\x78\x00", 6);
    ASSERT_EQ(qmn.size(), 37);
    EXPECT_EQ(fileBytes(saved).toHex(' '), qmn.toHex(' '));
    EXPECT_EQ(fileBytes(dir.filePath("Site1.BIN")), data);
    EXPECT_TRUE(dialogs.messages.isEmpty());
}

TEST_F(SaveTest, OverRangeValuesAskOncePerChannelAndKeepTheLastGoodValue)
{
    dialogs.nextFileName = dir.filePath("over");
    dialogs.answers = {true, false, false};
    // CH1: 100, 32768 (asked, Yes), 40000 (skipped: 0); CH2: 7, 7, 65535 (asked, No).
    const QByteArray data = QByteArray("\x64\x00\x07\x00\x78", 5) + QByteArray("\x00\x80\x07\x00\x78", 5) +
                            QByteArray("\x40\x9C\xFF\xFF\x79", 5) + QByteArray("\x01\x00", 2);
    ASSERT_EQ(save(data), DownloadSaver::Outcome::Saved);
    EXPECT_EQ(dialogs.questions, QStringList({"Save Data",
                                              "CH 1 Record # 9 may be corrupted. Would you like to skip this test?",
                                              "CH 2 Record # 14 may be corrupted. Would you like to skip this test?"}));
    const QmnFile::Contents c = QmnFile::read(fileBytes(saved));
    ASSERT_EQ(c.records.size(), 3u);
    EXPECT_EQ(c.records[1].ch1, 100);
    EXPECT_EQ(c.records[2].ch1, 0);
    EXPECT_EQ(c.records[2].ch2, 7);
    EXPECT_EQ(c.records[2].volt, 0x79);
}

TEST_F(SaveTest, ExistingFileAnsweredNoIsLeftAlone)
{
    const QString old = dir.filePath("SITE1.QMN");
    {
        QFile f(old);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("old");
    }
    dialogs.nextFileName = dir.filePath("site1.qmn");
    // No brings the file dialog back; this time it is cancelled.
    dialogs.onAsk = [this](const QString &) { dialogs.nextFileName.clear(); };
    EXPECT_EQ(save(QByteArray(10, '\x01')), DownloadSaver::Outcome::NoName);
    EXPECT_EQ(dialogs.questions.value(1),
              QString("File \"%1\" already exists.  Do you wish to OVERWRITE this file?").arg(old));
    EXPECT_EQ(fileBytes(old), "old");
    EXPECT_FALSE(QFile::exists(dir.filePath("site1.BIN")));
}

TEST_F(SaveTest, BadTimeWritesNothing)
{
    dialogs.nextFileName = dir.filePath("x");
    EXPECT_EQ(save("12345", "02282008", "2400"), DownloadSaver::Outcome::BadTime);
    EXPECT_EQ(save("12345", "02282008", "123"), DownloadSaver::Outcome::BadTime);
    EXPECT_EQ(dialogs.messages, QStringList({"Invalid time, please re-enter", "error 102 : Invalid Time"}));
    EXPECT_TRUE(QDir(dir.path()).entryList(QDir::Files).isEmpty());
}

TEST(SaveNames, ATypedExtensionIsNotDoubled)
{
    EXPECT_EQ(DownloadSaver::binPath("/home/Ann/Site1.bin"), "/home/Ann/Site1.BIN");
    EXPECT_EQ(DownloadSaver::binPath("/home/Ann/Site1.QMN"), "/home/Ann/Site1.BIN");
}
