// Arbitrary answers to "RCV" and to the serial-number read. Every whole
// block must read back to the bytes it came from where the program
// interprets them; everything else must be refused, never read out of bounds.

#include "device/settings_block.h"

#include <QCoreApplication>

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    static QCoreApplication app(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    const auto block = parseSettingsBlock(bytes);
    if (block.has_value() != (size == size_t(DeviceSettingsBlock::kSize)))
        __builtin_trap();
    if (block) {
        const QByteArray again = block->encode();
        for (int at : {0, 1, 2, 3, 4, 5, 7, 8, 9, 10, 11, 12}) {
            if (again.at(at) != bytes.at(at))
                __builtin_trap();
        }
        if (block->firmwareText().isEmpty())
            __builtin_trap();
    }
    const auto serial = serialNumberText(bytes);
    if (serial.has_value() != (size == size_t(kSerialNumberBytes)))
        __builtin_trap();
    if (serial && (serial->size() < 6 || serial->size() > 16 || !serial->startsWith(QLatin1Char('0'))))
        __builtin_trap();
    return 0;
}
