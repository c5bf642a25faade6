#include "sim_packet.h"

#include <gtest/gtest.h>

#include <functional>

namespace {

struct FieldCase {
    const char *name;
    std::function<void(SimPacket &)> set;
    int offset;
    QByteArray bytes;
};

void PrintTo(const FieldCase &c, std::ostream *os) { *os << c.name; }

class EncodeField : public ::testing::TestWithParam<FieldCase> {};

// Every field zero but the one set: header, field bytes, FF FE trailer and
// an 8-bit sum, nothing else.
TEST_P(EncodeField, PutsTheFieldAtItsWireOffset)
{
    const FieldCase &c = GetParam();
    SimPacket p;
    p.voltageRaw = 0;
    c.set(p);
    const QByteArray wire = encodePacket(p);
    QByteArray expected = QByteArray::fromHex("FEFF01") + QByteArray(37, 0) + QByteArray::fromHex("FFFE");
    expected.replace(c.offset, c.bytes.size(), c.bytes);
    quint8 sum = 0;
    for (char b : expected)
        sum += quint8(b);
    EXPECT_EQ(wire.toHex(' '), (expected + char(sum)).toHex(' '));
}

INSTANTIATE_TEST_SUITE_P(Fields, EncodeField, ::testing::Values(
    FieldCase {"voltage_big_endian", [](SimPacket &p) { p.voltageRaw = 1200; }, 3, QByteArray::fromHex("04B0")},
    FieldCase {"energy1", [](SimPacket &p) { p.energy1 = 10000; }, 5, QByteArray::fromHex("1027000000")},
    FieldCase {"energy2_40bit", [](SimPacket &p) { p.energy2 = 0x0102030405; }, 10, QByteArray::fromHex("0504030201")},
    FieldCase {"polarized1", [](SimPacket &p) { p.polarized1 = 0xFFFFFFFFFF; }, 15, QByteArray::fromHex("FFFFFFFFFF")},
    FieldCase {"polarized2", [](SimPacket &p) { p.polarized2 = 256; }, 20, QByteArray::fromHex("0001000000")},
    FieldCase {"address", [](SimPacket &p) { p.address = 0x1234; }, 29, QByteArray::fromHex("3412")},
    FieldCase {"status", [](SimPacket &p) { p.status = 0x0D; }, 31, QByteArray::fromHex("0D")},
    FieldCase {"current1", [](SimPacket &p) { p.current1Raw = 0x8001; }, 33, QByteArray::fromHex("0180")},
    FieldCase {"current2", [](SimPacket &p) { p.current2Raw = 1000; }, 35, QByteArray::fromHex("E803")},
    FieldCase {"seconds", [](SimPacket &p) { p.seconds = 0x030201; }, 37, QByteArray::fromHex("010203")}),
    [](const auto &info) { return std::string(info.param.name); });

} // namespace
