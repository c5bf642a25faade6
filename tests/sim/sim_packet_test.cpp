#include "realtime/packet_builder.h"
#include "sim_packet.h"

#include <gtest/gtest.h>

namespace {

// The tests of the program feed it the simulated monitor's packets and check
// the values against the fields sent: the simulator must put them on the wire
// exactly as the receiver's own tests lay a packet out.
TEST(SimPacket, EncodesTheWireFormatTheReceiverTestsUse)
{
    const SimPacket sim{.voltageRaw = 0x0965, .energy1 = 0x0102030405, .energy2 = 0xF1F2F3F4F5,
                        .polarized1 = 0x1112131415, .polarized2 = 0x2122232425, .address = 0x3132, .status = 0x0D,
                        .current1Raw = 0x8001, .current2Raw = 0x4142, .seconds = 0x515253};
    const PacketFields fields{.voltageTenths = 0x0965, .e1a = 0x0102030405, .e2a = 0xF1F2F3F4F5,
                              .e1ap = 0x1112131415, .e2ap = 0x2122232425, .deviceAddress = 0x3132, .status = 0x0D,
                              .amp1Hundredths = 0x8001, .amp2Hundredths = 0x4142, .seconds = 0x515253,
                              .unusedA = 0, .unusedB = 0, .spare = 0};
    EXPECT_EQ(encodePacket(sim).toHex(' '), buildPacket(fields).toHex(' '));
}

} // namespace
