#include "recording/insert_statement.h"

#include "recording_fixture.h"

#include <limits>

namespace {

TEST(InsertStatement, AccessTextForOneSample)
{
    EXPECT_EQ(accessInsertStatement(makeSample(), "2026-10-25 01:30:00"),
              "Insert into qmn_power (_time,p1,p2,PP1,PP2,Volt,KWh1,KWh1P,KWh2,KWh2P,Amp1,Amp2,E1A,E2A,E1AP,E2AP,"
              "E1B,E2B,E1BP,E2BP)values  ({ts '2026-10-25 01:30:00'},1500,230,-1500,230,121.5,10,0.0005,2,0.0015,12.3,1.9,36000000,"
              "7200000,1800,5400,36000000,7200000,1800,5400)");
}

// A value SQL cannot read as a number is written as NULL, the others as
// plain decimals; both statements agree.
TEST(InsertStatement, NumbersThatAreNotFiniteBecomeNull)
{
    RealtimeSample s = makeSample();
    s.KWh1 = std::numeric_limits<double>::quiet_NaN();
    s.KWh2 = std::numeric_limits<double>::infinity();
    s.p1 = 1e20;
    for (const QString &statement : {accessInsertStatement(s, "2026-10-25 01:30:00"), sqliteInsertStatement(s)})
        EXPECT_EQ(statement.section(QLatin1Char(','), -19),
                  "100000000000000000000,230,-1500,230,121.5,NULL,0.0005,NULL,0.0015,"
                  "12.3,1.9,36000000,7200000,1800,5400,36000000,7200000,1800,5400)");
}

} // namespace
