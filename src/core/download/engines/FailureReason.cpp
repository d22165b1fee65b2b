#include "core/download/engines/FailureReason.h"

#include "core/download/DownloadTexts.h"

#include <cerrno>

QString NetworkFailureText(int responseCode, bool atProxy)
{
    if (atProxy) {
        switch (responseCode) {
        case 12029:
            return DownloadTexts::kProxyRefused;
        case 12007:
            return DownloadTexts::kProxyNotFound;
        case 12002:
            return DownloadTexts::kProxyTimedOut;
        case 12030:
            return DownloadTexts::kProxyConnectionLost;
        default:
            return DownloadTexts::kProxyFailed;
        }
    }
    switch (responseCode) {
    case 12029:
        return DownloadTexts::kRefused;
    case 12007:
        return DownloadTexts::kHostNotFound;
    case 12002:
        return DownloadTexts::kTimedOut;
    case 12030:
        return DownloadTexts::kConnectionLost;
    case 12157:
        return DownloadTexts::kSecureChannelFailed;
    default:
        return DownloadTexts::kCannotDownload;
    }
}

QString WriteFailureText(int systemError)
{
    if (systemError == ENOSPC || systemError == EDQUOT)
        return DownloadTexts::kDiskFull;
    if (systemError == 0)
        return DownloadTexts::kWriteFailed;
    return DownloadTexts::kWriteFailed + QStringLiteral("：") + qt_error_string(systemError);
}
