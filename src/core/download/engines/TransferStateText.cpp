#include "core/download/engines/TransferStateText.h"

QString TransferStateText(int state, int responseCode, const QString &responseInfo)
{
    const QString response = QString::number(responseCode) + QStringLiteral(":") + responseInfo;
    switch (state) {
    case 0:
        return QStringLiteral("0 无状态可报告。");
    case 1:
        return QStringLiteral("1 正在查询所指定的主机的 IP 地址...");
    case 2:
        return QStringLiteral("2 已成功地找到所指定的主机的 IP 地址。");
    case 3:
        return QStringLiteral("3 正在与主机连接...");
    case 4:
        return QStringLiteral("4 已与主机连接成功。");
    case 5:
        return QStringLiteral("5 正在向主机发送请求...");
    case 6:
        return QStringLiteral("6 发送请求已成功。");
    case 7:
        return QStringLiteral("7 正在接收主机的响应...");
    case 8:
        return QStringLiteral("8 已成功地接收到主机的响应。");
    case 9:
        return QStringLiteral("9 正在解除与主机的连接...");
    case 10:
        return QStringLiteral("10 已成功地与主机解除了连接。");
    case 11:
        return QStringLiteral("11 与主机通讯时出现了错误:") + response;
    case 12:
        return QStringLiteral("12 该请求已经完成，并且所有数据均已接收到。");
    default:
        return response;
    }
}
