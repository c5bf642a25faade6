#include "packet_builder.h"

#include "manual_clock.h"
#include "common/status_list.h"
#include "realtime/derivation.h"
#include "realtime/realtime_sample.h"

#include <gtest/gtest.h>

namespace {

class DerivationTest : public ::testing::Test
{
protected:
    StatusList status;
    RealtimeSample sample;
    ManualClock clock{QDateTime(QDate(2024, 3, 7), QTime(14, 5, 9))};
    int dispatches = 0;
    Derivation derivation{sample, status, clock, [this](const RealtimeSample &) { ++dispatches; }};

    Derivation::Framing process(const PacketFields &f) { return derivation.process(positions(buildPacket(f))); }

    // A packet before the one under test, so the sample has a history.
    PacketFields previous(uint32_t seconds = 1000)
    {
        const PacketFields f{.e1a = 5000000, .e2a = 7000000, .e1ap = 300000, .e2ap = 400000, .deviceAddress = 77,
                             .status = 3, .amp1Hundredths = 250, .amp2Hundredths = 410, .seconds = seconds};
        sample.QMNresetCount = 3;
        process(f);
        status.clear();
        dispatches = 0;
        return f;
    }
};

} // namespace

struct PowerCase
{
    int channel;
    int64_t counterChange, polarizedChange;
    uint32_t seconds;
    double power, netPower;
};

class DerivationPower : public DerivationTest, public ::testing::WithParamInterface<PowerCase> {};

TEST_P(DerivationPower, FromCounterDifferences)
{
    const PowerCase c = GetParam();
    PacketFields f = previous();
    uint64_t &counter = c.channel == 1 ? f.e1a : f.e2a;
    uint64_t &polarized = c.channel == 1 ? f.e1ap : f.e2ap;
    counter += c.counterChange;
    polarized += c.polarizedChange;
    f.seconds += c.seconds;
    process(f);
    ASSERT_EQ(dispatches, 1);
    EXPECT_EQ(sample.deltaSeconds, int(c.seconds));
    EXPECT_EQ(c.channel == 1 ? sample.p1 : sample.p2, c.power);
    EXPECT_EQ(c.channel == 1 ? sample.PP1 : sample.PP2, c.netPower);
    const double net = c.channel == 1 ? sample.PP1 : sample.PP2;
    EXPECT_FALSE(net == 0 && std::signbit(net)) << "a stopped channel shows as -0";
    EXPECT_EQ(c.channel == 1 ? sample.p2 : sample.p1, 0); // the other channel stood still
}

INSTANTIATE_TEST_SUITE_P(Cases, DerivationPower,
                         ::testing::Values(PowerCase{1, 1501, 0, 2, 750, 750}, PowerCase{1, -100, 0, 1, -100, -100},
                                           PowerCase{1, 1000, 1000, 1, 1000, -1000},
                                           PowerCase{2, 3001, 0, 3, 1000, 1000}, PowerCase{2, 0, 5, 1, 0, 0}),
                         [](const auto &info) { return "Case" + std::to_string(info.index); });

TEST_F(DerivationTest, SecondsCounterWrapAndErrors)
{
    PacketFields f = previous(16777214);
    EXPECT_EQ(sample.nearWrapFlag, 1);
    f.seconds = 3;
    f.e1a += 5000;
    process(f);
    ASSERT_EQ(dispatches, 1);
    EXPECT_EQ(sample.deltaSeconds, 5);
    EXPECT_EQ(sample.p1, 1000);
    EXPECT_EQ(sample.nearWrapFlag, 0);
    EXPECT_EQ(status.lines(), QStringList({"Error.... Last second counter value is greater than the current value.",
                                           "Last counter = 16777214   Current counter = 3", "03,07,2024 14:05"}));

    // Once the wrap is taken, going back again is an error, not a second wrap.
    status.clear();
    f.seconds = 2;
    f.e1a += 9999;
    EXPECT_EQ(process(f), Derivation::Framing::RestartCount);
    EXPECT_EQ(status.lines(), QStringList{"A seconds counter error has occured!"});
    EXPECT_EQ(sample.secondsCounter, 2);
    EXPECT_EQ(dispatches, 1);
    EXPECT_EQ(sample.E1B, double(f.e1a - 9999));
}

TEST_F(DerivationTest, BackwardsNearTheTopIsAnError)
{
    PacketFields f = previous(16777214);
    f.seconds = 16777210;
    process(f);
    EXPECT_EQ(status.lines(), QStringList{"A seconds counter error has occured!"});
    EXPECT_EQ(dispatches, 0);
}

TEST_F(DerivationTest, RepeatedPacketIsDroppedSilently)
{
    PacketFields f = previous();
    f.e1a += 1000;
    process(f);
    EXPECT_EQ(dispatches, 0);
    EXPECT_TRUE(status.lines().isEmpty());
    EXPECT_EQ(sample.E1B, 5000000);
}

struct ResetCase
{
    int from, to;
    bool carried;
};

class DerivationReset : public DerivationTest, public ::testing::WithParamInterface<ResetCase> {};

TEST_P(DerivationReset, CarriesEnergyAcrossOneReset)
{
    const ResetCase c = GetParam();
    PacketFields f = previous();
    sample.QMNresetCount = c.from;
    sample.PreResetVal1 = 1000;
    sample.PreResetValP2 = 20;
    // The monitor restarted its counters.
    f.status = 0xF8 | c.to;
    f.e1a = 3600;
    f.e2a = 1000;
    f.e1ap = 0;
    f.e2ap = 1000;
    f.seconds += 10;
    process(f);
    ASSERT_EQ(dispatches, 1);
    // The counters restarted from zero, whether or not the count moved by one.
    EXPECT_EQ(sample.p1, 360);
    EXPECT_EQ(sample.PP1, 360);
    EXPECT_EQ(sample.p2, 100);
    EXPECT_EQ(sample.PP2, -100);
    EXPECT_EQ(sample.QMNresetCount, c.to);
    EXPECT_EQ(sample.PreResetVal1, c.carried ? 1000 + 5000000 : 1000);
    EXPECT_EQ(sample.PreResetVal2, c.carried ? 7000000 : 0);
    EXPECT_EQ(sample.PreResetValP1, c.carried ? 300000 : 0);
    EXPECT_EQ(sample.PreResetValP2, c.carried ? 20 + 400000 : 20);
    EXPECT_DOUBLE_EQ(sample.KWh1, (3600 + sample.PreResetVal1) / 3600000.0);

    // The next packet measures from the restarted counters as usual.
    f.e1a += 1500;
    f.seconds += 1;
    process(f);
    EXPECT_EQ(sample.p1, 1500);
}

TEST_F(DerivationTest, ResetSeenOnADroppedPacketStillMeasuresTheNextFromZero)
{
    PacketFields f = previous(1000);
    f.status = 4;
    f.e1a = 2000;
    f.seconds = 900; // behind the last count: dropped
    process(f);
    EXPECT_EQ(dispatches, 0);
    f.seconds = 902;
    process(f);
    ASSERT_EQ(dispatches, 1);
    EXPECT_EQ(sample.p1, 1000);
}

INSTANTIATE_TEST_SUITE_P(Cases, DerivationReset,
                         ::testing::Values(ResetCase{3, 4, true}, ResetCase{7, 0, true}, ResetCase{3, 5, false},
                                           ResetCase{0, 7, false}),
                         [](const auto &info) {
                             return "From" + std::to_string(info.param.from) + "To" + std::to_string(info.param.to);
                         });

struct PolarCase
{
    const char *name;
    int position;
    bool voltWritten, amp1Written, countersReset;
};

class DerivationPolar : public DerivationTest, public ::testing::WithParamInterface<PolarCase> {};

TEST_P(DerivationPolar, AbandonsThePacket)
{
    const PolarCase c = GetParam();
    PacketFields f = previous();
    const RealtimeSample before = sample;
    f.e1a += 2000;
    f.seconds += 2;
    f.voltageTenths = 1300;
    f.amp1Hundredths = 900;
    f.deviceAddress = 99;
    auto rx = positions(buildPacket(f));
    rx[c.position] |= 0x80;
    const Derivation::Framing framing = derivation.process(rx);
    EXPECT_EQ(status.lines(), QStringList{"POLAR error"});
    EXPECT_EQ(dispatches, 0);
    EXPECT_EQ(sample.secondsCounter, int(f.seconds));
    EXPECT_EQ(sample.Volt, c.voltWritten ? 130.0 : before.Volt);
    EXPECT_EQ(sample.Amp1, c.amp1Written ? 9.0f : before.Amp1);
    EXPECT_EQ(sample.E1B, before.E1B); // the counters the next packet measures from
    EXPECT_EQ(sample.KWh1, before.KWh1);
    EXPECT_EQ(framing, c.countersReset ? Derivation::Framing::StartAfresh : Derivation::Framing::Keep);
}

INSTANTIATE_TEST_SUITE_P(Fields, DerivationPolar,
                         ::testing::Values(PolarCase{"Voltage", 1, false, false, false},
                                           PolarCase{"Ch1Current", 32, true, false, false},
                                           PolarCase{"Ch2Current", 34, true, true, true}),
                         [](const auto &info) { return std::string(info.param.name); });
