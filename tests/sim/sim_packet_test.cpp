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

// A packet with every field zero except the trailer.
SimPacket zeroPacket()
{
    SimPacket p;
    p.voltageRaw = 0;
    return p;
}

quint8 byteSum(const QByteArray &bytes)
{
    quint8 sum = 0;
    for (char c : bytes)
        sum += quint8(c);
    return sum;
}

void PrintTo(const FieldCase &c, std::ostream *os)
{
    *os << c.name;
}

class EncodeField : public ::testing::TestWithParam<FieldCase> {};

TEST_P(EncodeField, PutsTheFieldAtItsWireOffset)
{
    const FieldCase &c = GetParam();
    SimPacket p = zeroPacket();
    c.set(p);
    const QByteArray wire = encodePacket(p);
    ASSERT_EQ(wire.size(), 43);
    EXPECT_EQ(wire.mid(c.offset, c.bytes.size()).toHex(' '), c.bytes.toHex(' '));
    EXPECT_EQ(wire.left(3), QByteArray::fromHex("FEFF01"));
    // Only the field itself and the checksum differ from the all-zero packet.
    QByteArray rest = wire;
    rest.replace(c.offset, c.bytes.size(), QByteArray(c.bytes.size(), 0));
    EXPECT_EQ(rest.left(42), encodePacket(zeroPacket()).left(42));
    EXPECT_EQ(quint8(wire.at(42)), byteSum(wire.left(42)));
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
    FieldCase {"seconds_top", [](SimPacket &p) { p.seconds = 16777215; }, 37, QByteArray::fromHex("FFFFFF")},
    FieldCase {"seconds", [](SimPacket &p) { p.seconds = 0x030201; }, 37, QByteArray::fromHex("010203")}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(EncodePacket, ZeroBodyHasChecksum251AndTrailer)
{
    const QByteArray wire = encodePacket(zeroPacket());
    EXPECT_EQ(wire.mid(40, 2), QByteArray::fromHex("FFFE"));
    EXPECT_EQ(quint8(wire.at(42)), 251);
}

TEST(EncodePacket, CorruptionsStayWhereAsked)
{
    SimPacket p = zeroPacket();
    p.checksumError = 1;
    EXPECT_EQ(quint8(encodePacket(p).at(42)), 252);

    p = zeroPacket();
    p.trailer2 = 0x00;
    const QByteArray wire = encodePacket(p);
    EXPECT_EQ(wire.mid(40, 2), QByteArray::fromHex("FF00"));
    // The trailer fault alone: its checksum still matches.
    EXPECT_EQ(quint8(wire.at(42)), byteSum(wire.left(42)));
}

} // namespace
