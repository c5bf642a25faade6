#include "device_fixture.h"

#include "settings/settings_store.h"


#include <functional>

namespace {

using Box = DeviceUtility::Box;
using Handler = std::function<QCoro::Task<>(DeviceUtility &)>;

struct Write
{
    const char *name;
    QList<std::pair<Box, QString>> boxes;
    Handler press;
    QByteArray wire;       // all of it; empty when nothing may be sent
    QString told = {};     // message box or list line; empty when all went well
    std::function<bool(const DeviceSide::Settings &)> landed = {};
    std::function<void(MonitorSim &)> monitor = {};
};

void PrintTo(const Write &w, std::ostream *os) { *os << w.name; }

Handler ct(int channel)
{
    return [channel](DeviceUtility &d) { return d.acceptCt(channel); };
}
const Handler kPt = [](DeviceUtility &d) { return d.acceptPt(); };
const Handler kInterval = [](DeviceUtility &d) { return d.acceptInterval(); };
const Handler kId = [](DeviceUtility &d) { return d.acceptDeviceId(); };
const Handler kAddress = [](DeviceUtility &d) { return d.saveAddress(); };
const Handler kFrequency = [](DeviceUtility &d) { return d.saveFrequency(); };

// Probe and "SET", then the setting's own bytes.
QByteArray set(const QByteArray &rest) { return kProbe + "SET" + rest; }

class WriteTest : public DeviceTest, public ::testing::WithParamInterface<Write> {};

} // namespace

TEST_P(WriteTest, SendsExactlyTheseBytesOrNothing)
{
    const Write &w = GetParam();
    if (w.monitor)
        w.monitor(sim);
    for (const auto &[box, text] : w.boxes)
        device().setBox(box, text);
    run(w.press(device()));
    const QStringList told = dialogs.messages + lines();
    EXPECT_EQ(wire(), hex(w.wire));
    EXPECT_TRUE(w.told.isEmpty() ? dialogs.messages.isEmpty() : told.contains(w.told)) << qPrintable(told.join('|'));
    EXPECT_TRUE(!w.landed || w.landed(sim.device().settings()));
}

INSTANTIATE_TEST_SUITE_P(
    Device, WriteTest,
    ::testing::Values(
        Write{"CtRange10", {{Box::Ch1Type, "100"}, {Box::Ch1Range, "10"}}, ct(1), set("CT1TYP" + bytes("64") + "RNG" + bytes("0a")), {}, [](const auto &s) { return s.ct1Type == 100 && s.ct1Range == 10; }},
        Write{"CtRange1", {{Box::Ch2Type, "175"}, {Box::Ch2Range, "1"}}, ct(2), set("CT2TYP" + bytes("af") + "RNG" + bytes("01")), {}, [](const auto &s) { return s.ct2Type == 175 && s.ct2Range == 1; }},
        Write{"CtRange0", {{Box::Ch1Type, "100"}, {Box::Ch1Range, "0"}}, ct(1), {}, "Improper Range"},
        Write{"CtRange11", {{Box::Ch2Type, "100"}, {Box::Ch2Range, "11"}}, ct(2), {}, "Improper Range"},
        Write{"CtTypeLooksLikeTheProbe", {{Box::Ch1Type, "252"}, {Box::Ch1Range, "4"}}, ct(1), set("CT1TYP" + bytes("fc") + "RNG" + bytes("04")), {}, [](const auto &s) { return s.ct1Type == 252; }},
        Write{"CtTypeBeyondAByte", {{Box::Ch1Type, "256"}, {Box::Ch1Range, "5"}}, ct(1), {},
              "Error writing CT setup values"},
        Write{"Pt", {{Box::PtType, "2"}, {Box::PtRange, "3.5"}}, kPt, set("PTT" + bytes("02") + "PTR" + bytes("04")), {},
              [](const auto &s) { return s.ptType == 2 && s.ptRange == 4; }},
        Write{"PtTypeNegative", {{Box::PtType, "-1"}, {Box::PtRange, "3"}}, kPt, {}, "Error writing PT setup values"},
        Write{"Interval1", {{Box::Interval, "1"}}, kInterval, set("IVL" + bytes("0001")), {},
              [](const auto &s) { return s.intervalMinutes == 1; }},
        Write{"Interval255", {{Box::Interval, "255"}}, kInterval, set("IVL" + bytes("00ff")), {},
              [](const auto &s) { return s.intervalMinutes == 255; }},
        Write{"Interval0", {{Box::Interval, "0"}}, kInterval, {}, "Invalid Storage Interval Value"},
        Write{"Interval256", {{Box::Interval, "256"}}, kInterval, {}, "Invalid Storage Interval Value"},
        Write{"Id127", {{Box::DeviceId, "127"}}, kId, set("UID" + bytes("7f")), {},
              [](const auto &s) { return s.deviceId == 127; }},
        Write{"Id128", {{Box::DeviceId, "128"}}, kId, {}, "Invalid Device ID Value"},
        Write{"Address65535", {{Box::Address, "65535"}}, kAddress, set("SID" + bytes("ffff")), {},
              [](const auto &s) { return s.address == 65535; }},
        Write{"Address258", {{Box::Address, "258"}}, kAddress, set("SID" + bytes("0102")), {},
              [](const auto &s) { return s.address == 258; }},
        Write{"Address65536", {{Box::Address, "65536"}}, kAddress, {}, "Device Address value too high"},
        Write{"AddressNegative", {{Box::Address, "-1"}}, kAddress, {}, "The Device Address cannot be negative."},
        Write{"AddressText", {{Box::Address, "12abc"}}, kAddress, {}, "The Device Address is not a numeric value."},
        Write{"Frequency2_5", {{Box::Frequency, "2.5"}}, kFrequency, set("IV2" + bytes("02"))},
        Write{"Frequency0_4", {{Box::Frequency, "0.4"}}, kFrequency, {}, "Packet Frequency cannot be zero."},
        Write{"Frequency256", {{Box::Frequency, "256"}}, kFrequency, {}, "Packet Frequency value too high"},
        // A box with no number in it is no value at all, not 0.
        Write{"CtTypeEmpty", {{Box::Ch1Type, ""}, {Box::Ch1Range, "5"}}, ct(1), {}, "Error writing CT setup values"},
        Write{"CtRangeText", {{Box::Ch2Type, "100"}, {Box::Ch2Range, "abc"}}, ct(2), {}, "Error writing CT setup values"},
        Write{"PtTypeEmpty", {{Box::PtType, ""}, {Box::PtRange, "3"}}, kPt, {}, "Error writing PT setup values"},
        Write{"IdEmpty", {{Box::DeviceId, ""}}, kId, {}, "Invalid Device ID Value"},
        // The monitor fails a step: a value byte only is reported and the write goes on.
        Write{"CtTypeValueUnanswered", {{Box::Ch1Type, "100"}, {Box::Ch1Range, "7"}}, ct(1),
              set("CT1TYP" + bytes("64") + "RNG" + bytes("07")), "Did not successfuly send CT type",
              [](const auto &s) { return s.ct1Type == 100 && s.ct1Range == 7; },
              [](MonitorSim &m) { m.setUnacknowledgedValues({"TYP"}); }},
        Write{"ProbesUnanswered", {{Box::Interval, "5"}}, kInterval, kProbe + kProbe, "Did not receive ACK 1", {},
              [](MonitorSim &m) { m.setProbeAnswer(MonitorSim::ProbeAnswer::Silent); }},
        Write{"TypUnanswered", {{Box::Ch1Type, "100"}, {Box::Ch1Range, "5"}}, ct(1), set("CT1TYP"), "Abort TYP command", {},
              [](MonitorSim &m) { m.setUnacknowledged({"TYP"}); }},
        Write{"SetUnanswered", {{Box::DeviceId, "5"}}, kId, kProbe + "SET", "Abort SET command", {},
              [](MonitorSim &m) { m.setUnacknowledged({"SET"}); }},
        Write{"IvlUnanswered", {{Box::Interval, "5"}}, kInterval, set("IVL"), "Abort IVL command", {},
              [](MonitorSim &m) { m.setUnacknowledged({"IVL"}); }},
        Write{"UidUnanswered", {{Box::DeviceId, "5"}}, kId, set("UID"), "Abort UID command", {},
              [](MonitorSim &m) { m.setUnacknowledged({"UID"}); }}),
    [](const auto &info) { return std::string(info.param.name); });

TEST_F(DeviceTest, AWriteDuringRealTimeStopsOnceAndStartsAgain)
{
    streaming();
    device().setBox(Box::Ch1Type, "167");
    device().setBox(Box::Ch1Range, "4");
    run(device().acceptCt(1));
    EXPECT_EQ(wire(), hex(kProbe + "TOGOFF" + kProbe + "SETCT1TYP" + bytes("a7") + "RNG" + bytes("04") + kProbe
                          + "TOGPLR"));
    EXPECT_TRUE(sim.streaming());
    EXPECT_TRUE(flags().realtimeActive);
    EXPECT_EQ(lines().last(), "Completed Modifying CH1 CT Type and Range");
}

TEST_F(DeviceTest, ABoxErrorWithoutAPauseStartsNothing)
{
    flags().realtimeWasOn = true; // left over from an earlier dialogue
    flags().commandInProgress = true;
    device().setBox(Box::Ch1Type, "300");
    device().setBox(Box::Ch1Range, "5");
    run(device().acceptCt(1));
    EXPECT_EQ(lines(), QStringList({"PROBLEM Modifying CH1 CT Type and Range"}));
    EXPECT_EQ(wire(), "");
    EXPECT_FALSE(program->serial().isOpen());
}

struct ResetCase
{
    const char *name;
    DeviceUtility::Reset which;
    const char *command;
    QString done;
    int loggerResets;
    int counterResets;
};

void PrintTo(const ResetCase &c, std::ostream *os) { *os << c.name; }

class ResetTest : public DeviceTest, public ::testing::WithParamInterface<ResetCase> {};

TEST_P(ResetTest, YesResetsNoSendsNothing)
{
    const ResetCase &c = GetParam();
    run(device().reset(c.which));
    EXPECT_EQ(wire(), "");
    EXPECT_TRUE(lines().isEmpty());
    EXPECT_FALSE(program->serial().isOpen());

    dialogs.answers = {true};
    run(device().reset(c.which));
    EXPECT_EQ(wire(), hex(kProbe + "RQS" + c.command));
    EXPECT_EQ(lines(), QStringList({c.done}));
    EXPECT_EQ(sim.device().loggerResets(), c.loggerResets);
    EXPECT_EQ(sim.model().nextPacket().resetCount(), c.counterResets);
    ASSERT_EQ(dialogs.questions.size(), 2);
    EXPECT_EQ(dialogs.questions.at(0), dialogs.questions.at(1));
}

INSTANTIATE_TEST_SUITE_P(
    Device, ResetTest,
    ::testing::Values(ResetCase{"All", DeviceUtility::Reset::All, "RST", "QMN has been successfuly reset", 1, 1},
                      ResetCase{"LoggerOnly", DeviceUtility::Reset::LoggerOnly, "REE",
                                "DataLogger has been successfuly reset", 1, 0},
                      ResetCase{"CountersOnly", DeviceUtility::Reset::CountersOnly, "RKW",
                                "QMN-4400 accumulated values have been successfuly reset", 0, 1}),
    [](const auto &info) { return std::string(info.param.name); });

TEST_F(DeviceTest, AResetWhoseProbeGoesUnansweredSendsTwoProbesOnly)
{
    sim.setProbeAnswer(MonitorSim::ProbeAnswer::Silent);
    dialogs.answers = {true};
    run(device().reset(DeviceUtility::Reset::All));
    // Nothing waits for the second probe's answer: wait for it to arrive.
    EXPECT_TRUE(QTest::qWaitFor([&] { return sim.received().size() >= 2; }, 2000));
    EXPECT_EQ(wire(), hex(kProbe + kProbe));
    EXPECT_EQ(lines(), QStringList({"No response from Acknowledge command"}));
}

TEST_F(DeviceTest, LoadBoxesChangeTheSavedMaskAndAskForAPost)
{
    program->settings().LoadStatus = 5;
    LoadSwitches &loads = device().loads();
    QList<int> posted;
    QObject::connect(&loads, &LoadSwitches::loadsChanged, [&] { posted << loads.mask(); });
    const auto saved = [&] {
        SettingsStore store(dir.filePath("QMNpilot.ini"));
        return store.load() ? int(store.readSettings().LoadStatus) : -1;
    };
    loads.boxClicked(1, true);
    EXPECT_EQ(saved(), 7);
    loads.boxClicked(3, false); // already clear: unchanged, saved and posted all the same
    EXPECT_EQ(posted, QList<int>({7, 7}));

    program->settings().LoadStatus = 15 | 32;
    posted.clear();
    loads.resetLoads();
    EXPECT_EQ(posted, QList<int>({46, 44, 40, 32}));
    EXPECT_EQ(loads.mask(), 0);
    EXPECT_EQ(saved(), 0);
}

TEST_F(DeviceTest, ResetStaticPreResetValuesOnlyOnYes)
{
    RealtimeSample &s = program->sample();
    s.PreResetVal1 = s.PreResetVal2 = s.PreResetValP1 = s.PreResetValP2 = 5e6;
    device().resetPreResetValues();
    EXPECT_EQ(s.PreResetVal1, 5e6);
    dialogs.answers = {true};
    device().resetPreResetValues();
    EXPECT_EQ(s.PreResetVal1 + s.PreResetVal2 + s.PreResetValP1 + s.PreResetValP2, 0.0);
    EXPECT_EQ(wire(), "");
}
