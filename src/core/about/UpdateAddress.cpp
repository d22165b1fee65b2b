#include "core/about/UpdateAddress.h"

#include "core/util/Deployment.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QUrl>

QString ExecutableName()
{
    return QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName();
}

QString ProductPageAddress()
{
    return Deployment::updateBase() + QLatin1Char('/') + ExecutableName();
}

QString UpdateAddress()
{
    return ProductPageAddress() + QStringLiteral("/newver.txt");
}

bool UpdateServerDeployed()
{
    const QString host = QUrl(Deployment::updateBase()).host().toLower();
    return host != QLatin1String("invalid") && !host.endsWith(QLatin1String(".invalid"));
}
