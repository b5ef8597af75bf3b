// Fuzzes platform::ParseMountInfo with arbitrary mount tables: no crash,
// at most one mount per line, and every mount has a path and a type.

#include "fuzzinput.h"

#include "platform/system.h"

#include <QByteArray>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray text(reinterpret_cast<const char *>(data), qsizetype(size));
    const std::vector<platform::MountPoint> mounts = platform::ParseMountInfo(text);
    fuzzinput::Check(qsizetype(mounts.size()) <= text.count('\n') + 1, "more mounts than lines");
    for (const platform::MountPoint &m : mounts)
        fuzzinput::Check(!m.path.isEmpty() && !m.fsType.isEmpty(), "mount without path or type", m.path, m.fsType);
    return 0;
}
