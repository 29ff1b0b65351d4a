// Arbitrary bytes as Profile1.xml in the directory the reader looks in.

#include "fuzzcommon.h"

#include "storage/xmlprofile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    fuzz::app();
    static fuzz::ScratchDir scratch;
    const QString dir = scratch.reset();
    fuzz::writeFile(QDir(dir).filePath(QStringLiteral("Profile1.xml")), data, size);
    getProfile(1, dir);
    return 0;
}
