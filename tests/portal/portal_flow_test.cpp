// The simulated monitor streams through the program's real serial port into
// SQLite and the portal upload, which posts to a local HTTP server.
#include "portal/fake_portal.h"
#include "sim_program.h"
#include "stored_rows.h"

#include <QTest>

#include <algorithm>
#include <cmath>

namespace {

// The request shows the figures of this stored row, to the portal's precision.
bool sameFigures(const QMap<QByteArray, QByteArray> &q, const QHash<QString, double> &row)
{
    const auto near = [&](const char *key, double value) { return std::fabs(q.value(key).toDouble() - value) <= 0.5; };
    return q.value("ch1_power") == QByteArray::number(qint64(row["p1"]))
        && q.value("ch2_power") == QByteArray::number(qint64(row["p2"])) && near("ch1_kwh", row["kwh1"] * 1000)
        && near("ch2_kwh", row["kwh2"] * 1000) && near("ch1_amps", row["amp1"]) && near("ch2_amps", row["amp2"])
        && q.value("voltage").toDouble() == row["volt"];
}

} // namespace

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
