// Arbitrary bytes through the download stream, as a monitor could send them
// after the download starts. The first two bytes choose the record count the
// fill pointer promised.

#include "download/download_stream.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 2)
        return 0;
    int acks = 0;
    int lines = 0;
    DownloadStream stream({[&acks] { ++acks; }, [&lines](const QString &) { ++lines; }});
    stream.reset(data[0] | (data[1] << 8));
    for (size_t i = 2; i < size; ++i)
        stream.ReadDownload(data[i]);
    // The answers end with the tail: at most the marker's, the next byte's
    // and the tail's.
    if (acks > 3 || stream.progressValue() > stream.progressMaximum()
        || stream.byteCount() > DownloadStream::kMaxBytes)
        std::abort();
    const QByteArray saved = stream.data();
    if (saved.size() > DownloadStream::kMaxBytes + 1)
        std::abort();
    return 0;
}
