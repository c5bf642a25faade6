#include "recording/insert_statement.h"

#include "recording_fixture.h"

#include <limits>

namespace {

const QString kValues = QStringLiteral(
    "1500,230,-1500,230,121.5,10,0.0005,2,0.0015,12.3,1.9,36000000,7200000,1800,5400,36000000,7200000,1800,5400)");

TEST(InsertStatement, AccessTextForOneSample)
{
    EXPECT_EQ(accessInsertStatement(makeSample()),
              "Insert into qmn_power (_time,p1,p2,PP1,PP2,Volt,KWh1,KWh1P,KWh2,KWh2P,Amp1,Amp2,E1A,E2A,E1AP,E2AP,"
              "E1B,E2B,E1BP,E2BP)values  (NOW()," + kValues);
}

TEST(InsertStatement, SqliteTextForOneSample)
{
    EXPECT_EQ(sqliteInsertStatement(makeSample()),
              "insert into qmn_power (_time,p1,p2,pp1,pp2,volt,kwh1,kwh1p,kwh2,kwh2p,amp1,amp2,e1a,e2a,e1ap,e2ap,"
              "e1b,e2b,e1bp,e2bp)values  (datetime('now','localtime')," + kValues);
}

struct NumberCase
{
    double value;
    bool current; // written through Amp1 (a float, 7 digits) instead of KWh1 (15 digits)
    const char *text;
};

void PrintTo(const NumberCase &c, std::ostream *os)
{
    *os << (c.current ? "current " : "double ") << c.value << " -> " << c.text;
}

class InsertNumberText : public ::testing::TestWithParam<NumberCase>
{
};

// The text of the value the parameter puts into KWh1 or Amp1, taken from both
// statements (they must agree).
TEST_P(InsertNumberText, IsPlainDecimal)
{
    RealtimeSample s = makeSample();
    if (GetParam().current)
        s.Amp1 = float(GetParam().value);
    else
        s.KWh1 = GetParam().value;
    const int column = GetParam().current ? 9 : 5;
    for (const QString &statement : {accessInsertStatement(s), sqliteInsertStatement(s)}) {
        const QString values = statement.section(QStringLiteral("),"), -1).chopped(1);
        const QStringList parts = values.split(QLatin1Char(','));
        ASSERT_EQ(parts.size(), 19) << statement.toStdString();
        EXPECT_EQ(parts[column], QLatin1String(GetParam().text)) << statement.toStdString();
    }
}

INSTANTIATE_TEST_SUITE_P(
    Doubles, InsertNumberText,
    ::testing::Values(NumberCase{0.1 + 0.2, false, "0.3"}, NumberCase{36000001.0 / 3600 * 0.001, false, "10.0000002777778"},
                      NumberCase{1234567.891234567, false, "1234567.89123457"}, NumberCase{-0.0, false, "0"},
                      NumberCase{1e20, false, "100000000000000000000"}, NumberCase{1.5e-7, false, "0.00000015"},
                      NumberCase{123456789012345678.0, false, "123456789012346000"},
                      NumberCase{999999999999999.9, false, "1000000000000000"}, NumberCase{-2.5, false, "-2.5"},
                      NumberCase{std::numeric_limits<double>::quiet_NaN(), false, "NULL"},
                      NumberCase{std::numeric_limits<double>::infinity(), false, "NULL"}));

INSTANTIATE_TEST_SUITE_P(Currents, InsertNumberText,
                         ::testing::Values(NumberCase{12.3, true, "12.3"}, NumberCase{0.1, true, "0.1"},
                                           NumberCase{1234.5678, true, "1234.568"}, NumberCase{-0.0, true, "0"},
                                           NumberCase{16777217, true, "16777220"}, NumberCase{-0.75, true, "-0.75"},
                                           NumberCase{3.4e38, true, "340000000000000000000000000000000000000"}));

} // namespace
