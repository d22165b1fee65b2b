#include "gui/shell/SystemInfo.h"

#include "gui/shell/ShellTexts.h"

#include <QSysInfo>

namespace {
QString g_description;
}

QString OperatingSystemBits()
{
    // The system's architecture, not the build's: a 32-bit build on a 64-bit kernel still reports 64.
    return QSysInfo::currentCpuArchitecture().contains(QLatin1String("64")) ? QStringLiteral("64")
                                                                            : QStringLiteral("32");
}

QString WindowsVersionText()
{
    QString product = QSysInfo::prettyProductName();
    if (product.isEmpty())
        product = ShellTexts::kUnknownSystem;
    return product + ShellTexts::kSystemVersion + QSysInfo::productVersion() + ShellTexts::kSystemBuild +
           QSysInfo::kernelType() + QLatin1Char(' ') + QSysInfo::kernelVersion() + QLatin1Char(')');
}

QString SystemDescription()
{
    return g_description;
}

void BuildSystemDescription()
{
    g_description = WindowsVersionText() + QLatin1Char('[') + OperatingSystemBits() + ShellTexts::kSystemBits;
}
