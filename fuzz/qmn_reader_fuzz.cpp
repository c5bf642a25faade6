// Arbitrary bytes as a ".QMN" data file: the reader must stay inside them.

#include "download/qmn_file.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char *>(data), qsizetype(size));
    const QmnFile::Contents c = QmnFile::read(bytes);
    if (!c.headerOk && !c.records.empty())
        std::abort();
    if (c.records.size() * 6 > size || c.records.size() > size_t(QmnFile::kMaxRecords))
        std::abort();
    return 0;
}
