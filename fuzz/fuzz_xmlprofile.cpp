// Arbitrary bytes as Profile1.xml in the directory the reader looks in.

#include "fuzz/fuzzcommon.h"

#include "storage/xmlprofile.h"

#include <QDir>
#include <QFile>

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    fuzz::app();
    static fuzz::ScratchDir scratch;
    const QString dir = scratch.reset();
    {
        QFile file(QDir(dir).filePath(QStringLiteral("Profile1.xml")));
        if (!file.open(QIODevice::WriteOnly) || file.write(fuzz::bytes(data, size)) != qint64(size))
            std::abort();
    }
    const XmlProfile profile = getProfile(1, dir);
    (void)profile;
    return 0;
}
