#include "ui/uiimages.h"

#include <QCoreApplication>

namespace {
QString &overrideRoot()
{
    static QString root;
    return root;
}
} // namespace

namespace UiImages {

QString path(const QString &relative)
{
    const QString &root = overrideRoot();
    if (!root.isEmpty())
        return root + QLatin1Char('/') + relative;
    return QCoreApplication::applicationDirPath() + QStringLiteral("/Image/") + relative;
}

QString url(const QString &relative)
{
    return QStringLiteral("url(\"") + path(relative) + QStringLiteral("\")");
}

void setRootForTesting(const QString &imageDir)
{
    overrideRoot() = imageDir;
}

} // namespace UiImages
