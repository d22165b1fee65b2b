#include "core/about/UpdateAddress.h"

#include "core/util/Deployment.h"

#include <QCoreApplication>
#include <QFileInfo>

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
    return !Deployment::isPlaceholder(Deployment::updateBase());
}
