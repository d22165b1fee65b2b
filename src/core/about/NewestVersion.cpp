#include "core/about/NewestVersion.h"

namespace {
QString g_newestVersion;
}

QString NewestVersionText()
{
    return g_newestVersion;
}

void SetNewestVersionText(const QString &version)
{
    g_newestVersion = version;
}
