#include "portal/portal_address.h"
#include "portal/portal_request.h"
#include "portal/fake_portal.h"
#include "realtime/realtime_sample.h"

#include <gtest/gtest.h>

namespace {

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
