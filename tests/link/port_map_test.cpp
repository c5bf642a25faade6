#include "link/port_map.h"

#include <gtest/gtest.h>

namespace {

struct SystemOrder
{
    const char *name;
    QStringList listed;             // as the system lists its devices
    QMap<int, QString> entries;     // the [ports] section
    QStringList paths;              // devicePath(1), devicePath(2), ...
};


class PortMapOrder : public ::testing::TestWithParam<SystemOrder> {};

TEST_P(PortMapOrder, UnmappedNumbersNameTheSystemsDevicesInOrder)
{
    const SystemOrder &c = GetParam();
    PortMap map([listed = c.listed] { return listed; });
    for (auto it = c.entries.cbegin(); it != c.entries.cend(); ++it)
        map.setEntry(it.key(), it.value());
    QStringList paths;
    for (int number = 0; number <= c.paths.size() + 1; ++number)
        paths << map.devicePath(number);
    EXPECT_EQ(paths, QStringList() << "" << c.paths << "");
}

INSTANTIATE_TEST_SUITE_P(
    Ports, PortMapOrder,
    ::testing::Values(
        SystemOrder{"UsbAdaptersFirst",
                    {"/dev/ttyS10", "/dev/ttyS2", "/dev/ttyUSB1", "/dev/ttyUSB0", "/dev/ttyACM0"},
                    {},
                    {"/dev/ttyACM0", "/dev/ttyUSB0", "/dev/ttyUSB1", "/dev/ttyS2", "/dev/ttyS10"}},
        SystemOrder{"NaturalOrderInEachGroup",
                    {"/dev/ttyUSB10", "/dev/ttyS10", "/dev/ttyACM1", "/dev/ttyUSB2", "/dev/ttyS9"},
                    {},
                    {"/dev/ttyACM1", "/dev/ttyUSB2", "/dev/ttyUSB10", "/dev/ttyS9", "/dev/ttyS10"}},
        // An entry names its own device; the numbers around it keep their place in the system's order.
        SystemOrder{"EntriesOverrideTheirNumberOnly",
                    {"/dev/ttyS0", "/dev/ttyUSB0"},
                    {{2, "/dev/serial/by-id/usb-FTDI_A1-if00-port0"}, {3, "/dev/pts/4"}},
                    {"/dev/ttyUSB0", "/dev/serial/by-id/usb-FTDI_A1-if00-port0", "/dev/pts/4"}},
        SystemOrder{"NoDevices", {}, {}, {}}),
    [](const auto &info) { return std::string(info.param.name); });

} // namespace
