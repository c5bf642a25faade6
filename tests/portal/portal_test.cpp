#include "manual_clock.h"
#include "common/status_box_widget.h"
#include "portal/fake_portal.h"
#include "portal/portal_address.h"
#include "portal/portal_request.h"
#include "portal/portal_upload.h"
#include "portal/web_window.h"
#include "sim_program.h"
#include "stored_rows.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <algorithm>
#include <cmath>

namespace {

// The upload wired into a dispatch as the program wires it, after a
// database step; the test ticks the post timer itself.
struct UploadTest : ::testing::Test
{
    UploadTest()
    {
        clock.at.setTime(QTime(12, 0, 0));
        flags.realtimeActive = true;
        settings.WptWriteEnable = true;
        settings.WptThresT = 60;
        settings.WptThres1 = 200;
        settings.WptThres2 = 200;
        dispatch.addStep("database", [](const RealtimeSample &) {});
        upload.installInto(dispatch);
        dispatch.addStep("after", [this](const RealtimeSample &) { ++laterSteps; });
    }

    void sampleOf(double p1, double p2 = 0)
    {
        sample.p1 = p1;
        sample.p2 = p2;
        dispatch.LogSample(sample);
    }
    // Steady power long enough for the history to hold nothing else, then a
    // clean list.
    void settle(double p1, double p2 = 0)
    {
        for (int i = 0; i < PortalUpload::kHistory + 1; ++i)
            sampleOf(p1, p2);
        upload.posts().clear();
    }
    QString cell(int row, int column) { return upload.posts().cellText(row, column); }
    int rows() { return upload.posts().rowCount(); }

    Settings settings;
    RealtimeSample sample;
    ProgramFlags flags;
    ManualClock clock;
    ScriptedDialogs dialogs;
    SampleDispatch dispatch;
    PortalUpload upload{{sample, settings, flags, clock, dialogs, [](const QStringList &) {}}};
    int laterSteps = 0;
};

// The program's own upload under its window, on a settings file of its own.
struct WebWindowTest : ::testing::Test
{
    void SetUp() override
    {
        ASSERT_TRUE(writeText(ini, "[startup]\nWptUser=alice\nWptThresT=30\nWptThres1=150\nWptThres2=250\n"));
        program.startUp();
    }
    QString saved(const QString &key)
    {
        SettingsStore store(ini);
        store.load();
        return store.value(SettingsStore::kStartup, key);
    }

    QTemporaryDir dir;
    QString ini = dir.filePath("QMNpilot.ini");
    ScriptedDialogs dialogs;
    Program program{ini, dir.filePath("data"), dialogs};
};

using C = PostListModel::ColumnIndex;

// The request shows the figures of this stored row, to the portal's precision.
bool sameFigures(const QMap<QByteArray, QByteArray> &q, const QHash<QString, double> &row)
{
    const auto near = [&](const char *key, double value) { return std::fabs(q.value(key).toDouble() - value) <= 0.5; };
    return q.value("ch1_power") == QByteArray::number(qint64(row["p1"]))
        && q.value("ch2_power") == QByteArray::number(qint64(row["p2"])) && near("ch1_kwh", row["kwh1"] * 1000)
        && near("ch2_kwh", row["kwh2"] * 1000) && near("ch1_amps", row["amp1"]) && near("ch2_amps", row["amp2"])
        && q.value("voltage").toDouble() == row["volt"];
}


const QDateTime kNow(QDate(2024, 3, 7), QTime(9, 5, 3));

RealtimeSample sample1500()
{
    RealtimeSample s;
    s.p1 = 1500;
    s.p2 = 300;
    s.Volt = 120;
    s.Amp1 = 12.5f;
    s.Amp2 = 2.5f;
    s.E1A = 7200000;       // 2000 Wh
    s.E2A = 1800000;       // 500 Wh, and 1 Wh carried across a reset
    s.PreResetVal2 = 3600;
    return s;
}

} // namespace

TEST(PortalRequest, BytesOfOnePost)
{
    EXPECT_EQ(PortalRequest(sample1500(), kNow, "portal.example:8080", "bob", 5),
              QByteArray("GET http://portal.example:8080/Monitor/sendData.php?&ch1_power=1500&ch2_power=300"
                         "&ch1_kwh=2000&ch2_kwh=501&ch1_amps=12&ch2_amps=2&ch1_extra=1&ch2_extra=1"
                         "&date=2024/03/07&time=09:05:03&voltage=120&username=bob&load=5 HTTP/1.1\r\n"
                         "Host: portal.example:8080\r\n"
                         "Content-Type: application/x-www-form-urlencoded\r\n"
                         "Content-Length: 0\r\n"
                         "Connection: Keep-Alive\r\n"
                         "\r\n"));
}

struct ValueCase
{
    const char *name;
    std::function<void(RealtimeSample &)> change;
    const char *key;
    const char *expected;
    const char *user = "u";
};

class PortalValues : public ::testing::TestWithParam<ValueCase> {};

TEST_P(PortalValues, PictureInsideTheRequestLine)
{
    // Portal figures never follow the user's decimal comma.
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    RealtimeSample s = sample1500();
    GetParam().change(s);
    const QByteArray request = PortalRequest(s, kNow, "h", QString::fromUtf8(GetParam().user), 0);
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    EXPECT_EQ(queryOf(request).value(GetParam().key), QByteArray(GetParam().expected));
    // Request line and four header lines, the empty line, nothing after.
    const QList<QByteArray> lines = request.split('\n');
    ASSERT_EQ(lines.size(), 7);
    for (int i = 0; i < 6; ++i)
        EXPECT_TRUE(lines[i].endsWith('\r')) << i;
    EXPECT_EQ(lines[5], "\r");
    EXPECT_TRUE(lines[1].startsWith("Host: "));
    EXPECT_EQ(lines[0].count(' '), 2);
    EXPECT_TRUE(lines[0].endsWith("&load=0 HTTP/1.1\r"));
}

const auto kSame = [](RealtimeSample &) {};
INSTANTIATE_TEST_SUITE_P(
    Cases, PortalValues,
    ::testing::Values(
        ValueCase{"PowerAtTheLimit", [](RealtimeSample &s) { s.p1 = 35000; }, "ch1_power", ""},
        ValueCase{"PowerBelowTheLimit", [](RealtimeSample &s) { s.p2 = 34999; }, "ch2_power", "34999"},
        ValueCase{"NegativePower", [](RealtimeSample &s) { s.p1 = -120; }, "ch1_power", "-120"},
        ValueCase{"EnergyBelowHalfAWattHour", [](RealtimeSample &s) { s.E1A = 1799; }, "ch1_kwh", ""},
        ValueCase{"HalfAnAmpToEven", [](RealtimeSample &s) { s.Amp1 = 0.5f; }, "ch1_amps", ""},
        ValueCase{"OneAndAHalfToEven", [](RealtimeSample &s) { s.Amp2 = 1.5f; }, "ch2_amps", "2"},
        ValueCase{"VoltageTwoDecimals", [](RealtimeSample &s) { s.Volt = 119.95; }, "voltage", "119.95"},
        // A user name stays inside its query value.
        ValueCase{"UserWithLineBreaks", kSame, "username", "eve%0D%0AX-Admin%3A%201%0D%0A%0D%0AGET%20%2F",
                  "eve\r\nX-Admin: 1\r\n\r\nGET /"},
        ValueCase{"UserWithAParameter", kSame, "username", "a%26load%3D9", "a&load=9"},
        ValueCase{"UserUtf8", kSame, "username", "Jos%C3%A9_-.~", "Jos\xC3\xA9_-.~"}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(PortalAddressText, HostNameAndPortOnly)
{
    const std::pair<const char *, int> accepted[] = {
        {"portal.example.com", 80}, {"portal.example.com:8080", 8080}, {"127.0.0.1:1", 1}, {"my-host:65535", 65535}};
    for (const auto &[text, port] : accepted) {
        const auto address = parsePortalAddress(text);
        ASSERT_TRUE(address) << text;
        EXPECT_EQ(address->port, port) << text;
        EXPECT_EQ(address->text, text);
    }
    for (const char *text : {"", "bad host", "host/path", "host:", "host:0", "host:65536", "host:+80", ":80",
                             "host\r\nX: y", "user@host", "host:80:81", "http://host"})
        EXPECT_FALSE(parsePortalAddress(text)) << text;
}

struct StepCase
{
    const char *name;
    std::vector<double> ch1; // after settling on the first value
    const char *swing;
    std::array<int64_t, 5> history;
};

class UploadSteps : public UploadTest, public ::testing::WithParamInterface<StepCase> {};

TEST_P(UploadSteps, ChangeArmsThenSettledValuePosts)
{
    const StepCase &c = GetParam();
    settle(c.ch1.front());
    for (size_t i = 1; i + 1 < c.ch1.size(); ++i) {
        sampleOf(c.ch1[i]);
        EXPECT_TRUE(upload.armed(1));
    }
    EXPECT_EQ(rows(), 0);
    sampleOf(c.ch1.back());
    ASSERT_EQ(rows(), 1);
    EXPECT_EQ(cell(0, C::TriggerSource), "CH1 / ");
    EXPECT_EQ(cell(0, C::Trig1), c.swing);
    EXPECT_EQ(cell(0, C::Trig2), "0");
    EXPECT_EQ(upload.powerHistory(1), c.history);
    // The decision never stops the steps after it.
    EXPECT_EQ(laterSteps, PortalUpload::kHistory + int(c.ch1.size()));
    EXPECT_TRUE(dialogs.messages.isEmpty());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, UploadSteps,
    ::testing::Values(StepCase{"Rise", {100, 2000, 2010}, "1,900", {2010, 2000, 2010, 2010, 2010}},
                      StepCase{"Fall", {2000, 100, 105}, "-1,900", {105, 100, 105, 105, 105}},
                      // Beyond 32 bits: the first sample after a long gap.
                      StepCase{"Huge", {100, 5e9, 5e9}, "4,999,999,900", {int64_t(5e9), int64_t(5e9), int64_t(5e9),
                                                                          int64_t(5e9), int64_t(5e9)}}),
    [](const auto &info) { return std::string(info.param.name); });

// A swing exactly the size of a channel's trigger does not arm it, one watt
// more does; each channel goes by its own trigger.
struct EdgeCase
{
    const char *name;
    int channel;
    double swing;
    bool arms;
};

class TriggerEdge : public UploadTest, public ::testing::WithParamInterface<EdgeCase> {};

TEST_P(TriggerEdge, OnlyASwingBeyondTheChannelsTriggerArms)
{
    const EdgeCase &c = GetParam();
    settings.WptThres1 = 150;
    settings.WptThres2 = 250;
    settle(1000, 1000);
    const double p1 = 1000 + (c.channel == 1 ? c.swing : 0);
    const double p2 = 1000 + (c.channel == 2 ? c.swing : 0);
    sampleOf(p1, p2);
    EXPECT_EQ(upload.armed(c.channel), c.arms);
    sampleOf(p1, p2);
    EXPECT_EQ(rows(), c.arms ? 1 : 0);
}

INSTANTIATE_TEST_SUITE_P(Cases, TriggerEdge,
                         ::testing::Values(EdgeCase{"Ch1AtTrigger", 1, 150, false}, EdgeCase{"Ch1Beyond", 1, 151, true},
                                           EdgeCase{"Ch2AtTrigger", 2, -250, false}, EdgeCase{"Ch2Beyond", 2, 251, true}),
                         [](const auto &info) { return std::string(info.param.name); });

TEST_F(UploadTest, PostTimerStopsWithRealTimeDataAndItsLastTickCounts)
{
    settings.WptThresT = 2;
    settle(1500);
    ASSERT_TRUE(upload.postTimer().isActive());
    upload.postTimerTick();
    flags.realtimeActive = false;
    upload.postTimerTick(); // the interval ends as the timer stops
    EXPECT_FALSE(upload.postTimer().isActive());
    flags.realtimeActive = true;
    sampleOf(1500);
    EXPECT_TRUE(upload.postTimer().isActive());
    ASSERT_EQ(rows(), 1);
    EXPECT_EQ(cell(0, C::TriggerSource), " Time out");
}

TEST_F(UploadTest, BothChannelsSettlingGiveOnePostFromCh2)
{
    settle(1000, 500);
    sampleOf(3000, 2500);
    sampleOf(3001, 2501);
    ASSERT_EQ(rows(), 1);
    EXPECT_EQ(QStringList({cell(0, C::TriggerSource), cell(0, C::Trig1), cell(0, C::Trig2)}),
              QStringList({"CH2 / ", "2,000", "2,000"}));
}

TEST_F(UploadTest, IntervalEndingWhileArmedIsUsedUp)
{
    settings.WptThresT = 2;
    settle(1000, 500);
    sampleOf(1000, 2500); // CH2 armed
    upload.postTimerTick();
    upload.postTimerTick(); // the interval ends
    sampleOf(1000, 4000); // still changing: no time-out post
    EXPECT_EQ(rows(), 0);
    sampleOf(1000, 4000); // settled
    ASSERT_EQ(rows(), 1);
    EXPECT_EQ(cell(0, C::TriggerSource), "CH2 / ");
    sampleOf(1000, 4000);
    EXPECT_EQ(rows(), 1);
}

TEST_F(UploadTest, LoadChangePostsWhileDisabledAndListKeepsNewest1000)
{
    settings.WptWriteEnable = false;
    settle(1500);
    EXPECT_EQ(rows(), 0);
    for (int i = 1; i <= PostListModel::kCap + 1; ++i) {
        sample.p2 = i;
        upload.loadChanged();
    }
    ASSERT_EQ(rows(), PostListModel::kCap);
    EXPECT_EQ(cell(0, C::Ch2Watt), "1,001");
    EXPECT_EQ(cell(PostListModel::kCap - 1, C::Ch2Watt), "2");
    EXPECT_EQ(cell(0, C::TriggerSource), "");
    EXPECT_EQ(cell(0, C::TimeOfPost), "12:00:00");
}

TEST_F(UploadTest, DeadPortalIsReportedOnceUntilAPostGetsOut)
{
    FakePortal portal;
    const QString live = portal.address();
    portal.close(); // nothing listens there now
    settings.PortalHost = live;
    settle(1000);
    for (int i = 0; i < 3; ++i) {
        upload.loadChanged();
        ASSERT_TRUE(QTest::qWaitFor([this] { return !upload.postInFlight(); }, 5000));
    }
    ASSERT_TRUE(QTest::qWaitFor([&] { return !dialogs.messages.isEmpty(); }, 5000));
    EXPECT_EQ(dialogs.messages, QStringList({"Server Write Error"}));
    EXPECT_TRUE(upload.portalStatus().startsWith("Could not post to " + live));

    FakePortal running;
    settings.PortalHost = running.address();
    upload.loadChanged();
    ASSERT_TRUE(QTest::qWaitFor([&] { return running.requests.size() == 1; }, 5000));
    ASSERT_TRUE(QTest::qWaitFor([&] { return upload.portalStatus().startsWith("Last post sent"); }, 5000));
    settings.PortalHost = live;
    upload.loadChanged();
    ASSERT_TRUE(QTest::qWaitFor([&] { return dialogs.messages.size() == 2; }, 5000));
    EXPECT_EQ(rows(), 5); // every post has its row, sent or not
}

TEST_F(UploadTest, RequestCarriesTheMomentTheConnectionStood)
{
    FakePortal portal;
    settings.PortalHost = portal.address();
    settings.LoadStatus = 3;
    settle(1000);
    upload.loadChanged();
    clock.at = clock.at.addSecs(5); // the connection stands only once the event loop runs
    ASSERT_TRUE(QTest::qWaitFor([&] { return portal.requests.size() == 1; }, 5000));
    const QMap<QByteArray, QByteArray> query = queryOf(portal.requests[0]);
    EXPECT_EQ(query.value("time"), "12:00:05");
    EXPECT_EQ(query.value("load"), "3");
    EXPECT_EQ(cell(0, C::TimeOfPost), "12:00:00");
}

// The simulated monitor streams through the program's real serial port into
// SQLite and the portal upload, which posts to a local HTTP server.
using PortalFlow = StreamingProgramTest;

TEST_F(PortalFlow, PostsCarryTheStoredFiguresAtTheIntervalAndAtOnceOnAStep)
{
    FakePortal portal;
    sim.model().setSteps({{1000, 200}, {3000, 200}}, 150);
    sim.model().setVoltage(121.3);
    sim.model().setEnergyStart(7200000, 3600000);
    ASSERT_NO_FATAL_FAILURE(make(20, QStringLiteral("WptWriteEnable=True\nPortalHost=%1\nWptThresT=3\nWptThres1=200\n"
                                                    "WptThres2=200\nWptUser=bob smith\n").arg(portal.address())));
    Program &program = *this->program;
    program.flags().realtimeActive = true;
    // The post timer ticks every fifth sample, as a 100 ms timer would with a
    // packet every 20 ms, but in step with the samples however busy the
    // machine is: three ticks make the write interval of fifteen samples.
    program.portal().postTimer().setInterval(3600 * 1000);
    // CH1 power of every sample, and the sample each post was made on.
    QList<double> power;
    struct Post
    {
        int at;
        QString source, swing;
    };
    QList<Post> posts;
    program.dispatch().addStep("record", [&](const RealtimeSample &) {
        power << program.sample().p1;
        if (power.size() % 5 == 0)
            program.portal().postTimerTick();
    });
    PostListModel &list = program.portal().posts();
    QObject::connect(&program.portal(), &PortalUpload::posted, [&] {
        posts << Post{int(power.size()), list.cellText(0, PostListModel::TriggerSource),
                      list.cellText(0, PostListModel::Trig1)};
    });
    const auto stepPost = [&] {
        for (const Post &p : posts)
            if (p.at > 10 && p.source == "CH1 / ")
                return p;
        return Post{-1, {}, {}};
    };
    program.startUp();
    ASSERT_TRUE(QTest::qWaitFor([&] { return stepPost().at > 0; }, 30000));
    program.serial().ClosePort();
    ASSERT_TRUE(QTest::qWaitFor([&] { return portal.requests.size() == posts.size(); }, 5000));
    program.exitSequence();

    // The step up arms on the first sample at 3000 W and posts on the second.
    const int at = stepPost().at;
    EXPECT_EQ(power.mid(at - 2, 3), QList<double>({1000, 3000, 3000}));
    EXPECT_EQ(stepPost().swing, "2,000");
    // Steady power in between posts at the write interval, and only then.
    int timeOuts = 0;
    for (const Post &p : posts) {
        if (p.at > 10 && p.at < at) {
            EXPECT_EQ(p.source, " Time out") << p.at;
            ++timeOuts;
        }
    }
    EXPECT_GE(timeOuts, 2);

    const auto table = storedSamples(db, "p1,p2,kwh1,kwh2,amp1,amp2,volt");
    ASSERT_EQ(table.size(), power.size());
    for (const QByteArray &request : portal.requests) {
        const QMap<QByteArray, QByteArray> q = queryOf(request);
        EXPECT_TRUE(std::any_of(table.begin(), table.end(), [&](const auto &r) { return sameFigures(q, r); }))
            << request.constData();
        EXPECT_EQ(q.value("username"), "bob%20smith");
        EXPECT_TRUE(request.contains("\r\nHost: " + portal.address().toLatin1() + "\r\n"));
    }
    EXPECT_TRUE(dialogs.messages.isEmpty());
}

TEST_F(WebWindowTest, ShowsTheAccountAndTriggersAndSavesTheSwitchAtOnce)
{
    WebWindow window(program.portal());
    QStringList boxes;
    for (int i = 0; i < 4; ++i)
        boxes << window.textBox(i)->text();
    EXPECT_EQ(boxes, QStringList({"alice", "30", "150", "250"}));
    EXPECT_EQ(window.portalStatusLabel()->text(), "No portal address set (PortalHost)");
    EXPECT_FALSE(window.enableBox()->isChecked());

    window.enableBox()->click();
    EXPECT_EQ(saved("WptWriteEnable"), "True");
    window.enableBox()->click();
    EXPECT_EQ(saved("WptWriteEnable"), "False");
}

TEST_F(WebWindowTest, ClearListAsksFirst)
{
    WebWindow window(program.portal());
    program.portal().loadChanged();
    dialogs.answers = {false, true};
    window.button("Clear List")->click();
    EXPECT_EQ(program.portal().posts().rowCount(), 1);
    window.button("Clear List")->click();
    EXPECT_EQ(program.portal().posts().rowCount(), 0);
    EXPECT_EQ(dialogs.questions, QStringList(2, "Are you sure you want to remove all displayed records from list?"));
}

TEST_F(WebWindowTest, BadPortalAddressIsIgnoredAtStartUp)
{
    ASSERT_TRUE(writeText(ini, "[startup]\nPortalHost=portal.example.com/x\n"));
    Program other(ini, dir.filePath("data2"), dialogs);
    other.startUp();
    EXPECT_EQ(other.settings().PortalHost, "");
    other.portal().loadChanged();
    EXPECT_EQ(other.portal().portalStatus(), "No portal address set (PortalHost)");
}

TEST_F(WebWindowTest, StatusSaysWhetherRealTimeDataRuns)
{
    WebWindow window(program.portal());
    auto *status = window.findChild<StatusBoxWidget *>();
    ASSERT_TRUE(status);
    const auto shown = [status] {
        const QPalette p = status->palette();
        return QStringList{status->text(), p.color(QPalette::Window).name(), p.color(QPalette::WindowText).name()};
    };
    const QStringList stopped{"Real-Time Data Stopped", "#ff0000", "#ffffff"};
    const QStringList started{"Real-Time Data Started", "#00ff00", "#000000"};
    EXPECT_EQ(shown(), stopped);

    program.settings().WptWriteEnable = true;
    program.flags().realtimeActive = true;
    program.dispatch().LogSample(program.sample());
    EXPECT_EQ(shown(), started);
    program.flags().realtimeActive = false;
    program.portal().RefreshTextBoxes(); // as the options window's "Done" does
    EXPECT_EQ(shown(), stopped);
    program.flags().realtimeActive = true;
    program.portal().RefreshTextBoxes();
    EXPECT_EQ(shown(), started);
}
