#include "options/options_fixture.h"

#include <functional>

namespace {

struct SaveCase
{
    const char *name;
    std::function<void(OptionsLogic &)> act;
    QStringList keyValues; // key, value, key, value...
};

class ImmediateSave : public OptionsFixture, public ::testing::WithParamInterface<SaveCase>
{
};

using Box = OptionsLogic::Box;

} // namespace

TEST_P(ImmediateSave, ReachesTheSettingsFile)
{
    GetParam().act(options());
    const QStringList &kv = GetParam().keyValues;
    for (qsizetype i = 0; i < kv.size(); i += 2)
        EXPECT_EQ(saved(kv[i]), kv[i + 1]) << qPrintable(kv[i]);
}

INSTANTIATE_TEST_SUITE_P(
    Fields, ImmediateSave,
    ::testing::Values(
        SaveCase{"Access", [](OptionsLogic &o) { o.databaseOptionClicked(0); }, {"dbtype", "Access"}},
        SaveCase{"SQlite", [](OptionsLogic &o) { o.databaseOptionClicked(1); }, {"dbtype", "SQlite"}},
        SaveCase{"NoDatabase", [](OptionsLogic &o) { o.databaseOptionClicked(2); }, {"dbtype", "none"}},
        SaveCase{"Paths", [](OptionsLogic &o) { o.applyDatabasePaths("/a/b.mdb", "/c/d.db"); },
                 {"adbpath", "/a/b.mdb", "sqldbpath", "/c/d.db"}},
        SaveCase{"CommitSeconds", [](OptionsLogic &o) { o.commitSecondsChanged(60); },
                 {"recording/CommitSeconds", "60", "CommitSeconds", "(missing)"}},
        SaveCase{"StartupCom", [](OptionsLogic &o) { o.boxClicked(Box::StartupCom, true); }, {"StartupComIsOn", "True"}},
        SaveCase{"StartupRealtime", [](OptionsLogic &o) { o.boxClicked(Box::StartupRealtime, true); },
                 {"StartupRTLisOn", "True"}},
        SaveCase{"StartupServer", [](OptionsLogic &o) { o.boxClicked(Box::StartupServer, true); },
                 {"StartupServerIsOn", "True"}},
        SaveCase{"SolarToWeb", [](OptionsLogic &o) { o.boxClicked(Box::SolarToWeb, true); }, {"SolarToWeb1", "True"}},
        // Trigger values wait for the periodic save or the exit.
        SaveCase{"Interval", [](OptionsLogic &o) { o.intervalLeft("30"); }, {"WptThresT", "(missing)"}}),
    [](const auto &info) { return std::string(info.param.name); });

struct TriggerCase
{
    const char *name;
    int field; // 0 interval, 1 CH1, 2 CH2
    const char *text;
    const char *message; // empty: none
    const char *box;      // what the box shows afterwards; empty: as typed
    int stored;
    bool refocus;
};

class TriggerValues : public OptionsFixture, public ::testing::WithParamInterface<TriggerCase>
{
};

TEST_P(TriggerValues, AreCheckedOnLeaving)
{
    const TriggerCase &c = GetParam();
    QString box = c.text;
    const auto setBox = [&](const QString &t) {
        EXPECT_TRUE(dialogs.messages.isEmpty()); // the box first, then the message
        box = t;
    };
    OptionsLogic::Check check;
    if (c.field == 0)
        check = options().intervalLeft(c.text, setBox);
    else
        check = options().powerChangeLeft(OptionsLogic::Channel(c.field), c.text, setBox);
    const int16_t values[] = {settings().WptThresT, settings().WptThres1, settings().WptThres2};
    EXPECT_EQ(values[c.field], c.stored);
    EXPECT_EQ(dialogs.messages, *c.message ? QStringList{c.message} : QStringList{});
    EXPECT_EQ(box, *c.box ? c.box : c.text);
    EXPECT_EQ(check.refocus, c.refocus);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, TriggerValues,
    ::testing::Values(TriggerCase{"Below10", 0, "9.6", "Must be set above 10 seconds.", "10", 10, false},
                      TriggerCase{"Exactly10", 0, "10", "", "", 10, false},
                      TriggerCase{"HalfToEvenDown", 0, "10.5", "", "", 10, false},
                      TriggerCase{"HalfToEvenUp", 0, "11.5", "", "", 12, false},
                      TriggerCase{"IntervalWord", 0, "ten", "Interval must be a numeric value", "", 60, true},
                      TriggerCase{"IntervalTooBig", 0, "32768", "Interval must be a numeric value", "", 60, true},
                      TriggerCase{"ZeroWatt", 1, "0", "Must be set above 40 watt.", "40", 40, false},
                      TriggerCase{"Ch2Watt", 2, "75", "", "", 75, false},
                      TriggerCase{"WattWord", 2, "4O", "This must be a numeric value", "", 60, true}),
    [](const auto &info) { return std::string(info.param.name); });

TEST_F(OptionsFixture, RateAboveOneAsksFirst)
{
    const QString question = "You have entered a value greater than one Dollar. Are you sure your rate is this high? "
                             "You can find this value on your electric bill. Would you like to keep the value of 1.01?";
    EXPECT_TRUE(options().rateLeft("1").accepted);
    EXPECT_TRUE(dialogs.questions.isEmpty());
    EXPECT_TRUE(options().rateLeft("1.01").refocus);
    EXPECT_EQ(settings().Rate, 1);
    dialogs.answers = {true};
    EXPECT_TRUE(options().rateLeft("1.01").accepted);
    EXPECT_EQ(dialogs.questions, QStringList(2, question));
    EXPECT_EQ(saved("Rate"), "1.01");
    EXPECT_TRUE(options().rateLeft("-0.2").accepted);
    EXPECT_TRUE(options().rateLeft("12 cents").refocus);
    EXPECT_EQ(dialogs.messages, QStringList({"This is not a numeric value. Re-enter the value for \"Rate\". "}));
    EXPECT_EQ(saved("Rate"), "-0.2");
}

TEST_F(OptionsFixture, RateInACommaLocale)
{
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    settings().Rate = 0.126;
    const QString shown = options().rateText();
    const bool comma = options().rateLeft("0,15").accepted;
    const double fromComma = settings().Rate;
    const bool point = options().rateLeft("0.126").accepted;
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    EXPECT_EQ(shown, "0,1260");
    EXPECT_TRUE(comma && point);
    EXPECT_EQ(fromComma, 0.15);
    EXPECT_EQ(saved("Rate"), "0.126");
    EXPECT_TRUE(dialogs.questions.isEmpty());
}
