#include "channel_model.h"

#include <gtest/gtest.h>

#include <functional>

namespace {

QList<SimPacket> make(ChannelModel &model, int count)
{
    QList<SimPacket> packets;
    for (int i = 0; i < count; ++i)
        packets.append(model.nextPacket());
    return packets;
}

struct PeriodCase {
    int periodMs;
    int seconds;
};

void PrintTo(const PeriodCase &c, std::ostream *os)
{
    *os << c.periodMs << " ms";
}

class ModelPeriod : public ::testing::TestWithParam<PeriodCase> {};

// Counters follow power x seconds: absolute counters for any direction,
// polarized counters only for power flowing back.
TEST_P(ModelPeriod, CountersAdvanceByPowerTimesSeconds)
{
    ChannelModel model;
    model.setPeriodMs(GetParam().periodMs);
    model.setConstant(1500, -250);
    model.setVoltage(230.0);
    model.setSecondsStart(500);
    model.setEnergyStart(1000, 2000, 30, 40);
    const int dt = GetParam().seconds;

    const QList<SimPacket> p = make(model, 4);
    EXPECT_EQ(p[0].seconds, 500u);
    EXPECT_EQ(p[0].energy1, 1000u);
    for (int i = 1; i < p.size(); ++i) {
        EXPECT_EQ(p[i].seconds - p[i - 1].seconds, quint32(dt));
        EXPECT_EQ(p[i].energy1 - p[i - 1].energy1, quint64(1500 * dt));
        EXPECT_EQ(p[i].energy2 - p[i - 1].energy2, quint64(250 * dt));
        EXPECT_EQ(p[i].polarized1, 30u);
        EXPECT_EQ(p[i].polarized2 - p[i - 1].polarized2, quint64(250 * dt));
    }
    EXPECT_EQ(p[3].voltageRaw, 2300);
    EXPECT_EQ(p[3].current1Raw, 652);   // 1500 W / 230 V = 6.52 A
    EXPECT_EQ(p[3].current2Raw, 109);   // 250 W / 230 V = 1.087 A
}

INSTANTIATE_TEST_SUITE_P(Periods, ModelPeriod,
    ::testing::Values(PeriodCase {20, 1}, PeriodCase {1000, 1}, PeriodCase {2600, 3}));

struct FaultCase {
    const char *name;
    SimFault fault;
    // Checks the packet before the fault, the faulty one and the one after.
    std::function<void(const SimPacket &, const SimPacket &, const SimPacket &)> check;
};

void PrintTo(const FaultCase &c, std::ostream *os)
{
    *os << c.name;
}

class ModelFault : public ::testing::TestWithParam<FaultCase> {};

TEST_P(ModelFault, HitsOnlyTheChosenPacket)
{
    ChannelModel model;
    model.setConstant(1000, 100);
    model.setSecondsStart(100);
    model.setResetCount(7);
    model.injectFault(GetParam().fault, 2);
    const QList<SimPacket> p = make(model, 4);
    GetParam().check(p[1], p[2], p[3]);
    const QByteArray last = encodePacket(p[3]);
    EXPECT_EQ(last.mid(40, 2), QByteArray::fromHex("FFFE"));
    EXPECT_LT(quint8(last.at(32)), 0x80);
    EXPECT_LT(quint8(last.at(3)), 0x80);
}

INSTANTIATE_TEST_SUITE_P(Faults, ModelFault, ::testing::Values(
    FaultCase {"checksum", SimFault::BadChecksum, [](auto &, auto &f, auto &n) {
        EXPECT_NE(f.checksumError % 256, 0);
        EXPECT_EQ(n.checksumError, 0);
    }},
    FaultCase {"trailer_ff", SimFault::BadTrailerFF, [](auto &, auto &f, auto &) {
        EXPECT_NE(encodePacket(f).at(40), char(0xFF));
    }},
    FaultCase {"trailer_fe", SimFault::BadTrailerFE, [](auto &, auto &f, auto &) {
        EXPECT_EQ(encodePacket(f).at(40), char(0xFF));
        EXPECT_NE(encodePacket(f).at(41), char(0xFE));
    }},
    FaultCase {"repeat", SimFault::RepeatedSeconds, [](auto &b, auto &f, auto &n) {
        EXPECT_EQ(f.seconds, b.seconds);
        EXPECT_EQ(n.seconds, b.seconds + 2);
        EXPECT_EQ(n.energy1, b.energy1 + 2000);
    }},
    FaultCase {"backward", SimFault::BackwardSeconds, [](auto &b, auto &f, auto &n) {
        EXPECT_LT(f.seconds, b.seconds);
        EXPECT_EQ(n.seconds, b.seconds + 2);
    }},
    FaultCase {"wrap", SimFault::CounterWrap, [](auto &, auto &f, auto &n) {
        EXPECT_EQ(f.seconds, 16777215u);
        EXPECT_EQ(n.seconds, 0u);
    }},
    FaultCase {"reset", SimFault::MonitorReset, [](auto &b, auto &f, auto &n) {
        EXPECT_EQ(b.resetCount(), 7);
        EXPECT_EQ(f.resetCount(), 0);
        EXPECT_EQ(f.energy1, 1000u);   // counted again from zero
        EXPECT_EQ(n.energy1, 2000u);
        EXPECT_EQ(n.resetCount(), 0);
    }},
    FaultCase {"current", SimFault::CurrentOutOfRange, [](auto &, auto &f, auto &) {
        EXPECT_GE(quint8(encodePacket(f).at(34)), 0x80);
    }},
    FaultCase {"voltage", SimFault::VoltageOutOfRange, [](auto &, auto &f, auto &) {
        EXPECT_GE(quint8(encodePacket(f).at(3)), 0x80);
    }}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(ChannelModel, StepsWalkTheListInACircle)
{
    ChannelModel model;
    model.setSteps({{100, 10}, {-200, 20}}, 2);
    QList<double> p1;
    for (const SimPacket &p : make(model, 6))
        p1.append(p.power1);
    EXPECT_EQ(p1, (QList<double> {100, 100, -200, -200, 100, 100}));
}

TEST(ChannelModel, SolarDayExportsAtNoonOnly)
{
    ChannelModel model;
    model.setPeriodMs(1000);
    model.setSolar(3000, 800, 24 * 1000);   // one packet per hour
    const auto midnight = model.powersAt(0);
    const auto noon = model.powersAt(12);
    const auto evening = model.powersAt(19);
    EXPECT_EQ(midnight.first, 0);
    EXPECT_GT(midnight.second, 0);
    EXPECT_GT(noon.first, 2500);
    EXPECT_LT(noon.second, 0);
    EXPECT_EQ(evening.first, 0);
    EXPECT_GT(evening.second, midnight.second);
    // The next day repeats the first.
    EXPECT_EQ(model.powersAt(36), noon);
}

} // namespace
