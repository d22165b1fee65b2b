#include "core/download/engines/AutoLoginAfterPage.h"

#include "core/download/DownloadEngine.h"
#include "core/download/DownloadItem.h"

void RunAutoLoginAfterPage(DownloadContext &context, const DownloadItem &row)
{
    const QString type = row.type.toLower();
    if (context.autoLoginChecked() && (type == QLatin1String("htm") || type == QLatin1String("html")))
        context.runAutoLogin();
}
