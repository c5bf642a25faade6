#include "exchange_fixture.h"
#include "line_log.h"

#include <QElapsedTimer>

#include <utility>

namespace {

struct RadioTest : ::testing::Test, ExchangeParts
{
    void SetUp() override
    {
        start();
        QObject::connect(&radio, &RadioDongle::busy, &radio,
                [this](bool on, const StatusList *list) { busy << std::make_pair(on, list); });
    }
    QList<std::pair<bool, const StatusList *>> busy;
};

struct Search
{
    int generation;
    bool fromPanel;
};

struct RadioSearchTest : RadioTest, ::testing::WithParamInterface<Search> {};

} // namespace

TEST_P(RadioSearchTest, SelectsTheNodeOfTheGeneration)
{
    const auto [generation, fromPanel] = GetParam();
    sim.setDongle(generation);
    StatusList panel;
    StatusList &reported = fromPanel ? panel : status;
    LineLog log(reported);
    const bool finished = fromPanel ? awaitTask(radio.FindZigbeeMonitor(generation, panel))
                                    : awaitTask(radio.DiscoverRadioNode(generation));
    ASSERT_TRUE(finished);

    const QString digit = QString::number(generation);
    EXPECT_EQ(sim.received(), "+++ATDNE" + digit.toLatin1() + "\r");
    EXPECT_EQ(log.lines, QStringList({"Sending +++ string", "Recieved OK response from +++ command",
                                      "Node E" + digit + " has been discovered successfully."}));
    EXPECT_EQ(reported.lines(), QStringList({"Node E" + digit + " has been discovered successfully."}));
    if (fromPanel) {
        EXPECT_TRUE(status.lines().isEmpty());
    }
    // Either search remembers the node, so a start need not search again.
    EXPECT_TRUE(flags.nodeDiscovered);
    EXPECT_FALSE(flags.commandInProgress);
    EXPECT_TRUE(link.isOpen());
    EXPECT_EQ(busy, (QList<std::pair<bool, const StatusList *>>{{true, &reported}, {false, &reported}}));
}

INSTANTIATE_TEST_SUITE_P(Radio, RadioSearchTest, ::testing::Values(Search{1, false}, Search{3, true}),
                         [](const auto &info) {
                             const std::string search = info.param.fromPanel ? "FindE" : "DiscoverE";
                             return search + std::to_string(info.param.generation);
                         });

TEST_F(RadioTest, RefusalFromTheDongleSaysTheNodeWasNotDetected)
{
    sim.setDongle(1); // the node answering here is E1
    ASSERT_TRUE(awaitTask(radio.DiscoverRadioNode(2)));
    EXPECT_EQ(sim.received(), "+++ATDNE2\r");
    EXPECT_EQ(status.lines(), QStringList({"Received ERROR from Wireless Radio. Node E2 has not been detected."}));
    EXPECT_FALSE(flags.nodeDiscovered);
    EXPECT_FALSE(flags.commandInProgress);
    EXPECT_EQ(busy.size(), 2);
}

TEST_F(RadioTest, SilentDongleTimesOutAfterSixToSevenSeconds)
{
    sim.setDongle(2);
    sim.setDongleSilent(true);
    QElapsedTimer sinceSent;
    QObject::connect(&sim, &MonitorSim::commandReceived, &sim, [&](const QString &command) {
        if (command == "+++")
            sinceSent.start();
    });
    StatusList panel;
    ASSERT_TRUE(awaitTask(radio.FindZigbeeMonitor(2, panel)));
    ASSERT_TRUE(sinceSent.isValid());
    EXPECT_GE(sinceSent.elapsed(), 6000 - 100); // the sim hears the pluses a moment after they leave
    EXPECT_LE(sinceSent.elapsed(), 7000);
    EXPECT_EQ(sim.received(), "+++"); // no discovery without an answer
    EXPECT_EQ(panel.lines(), QStringList({"Sending +++ string", "No response from +++ command"}));
    EXPECT_FALSE(flags.commandInProgress);
}
