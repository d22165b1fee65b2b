#include "core/store/DatabasePassword.h"

const char kStoredPasswordConstant[] = "484269930198808850491659925396429986989178960192959";

QByteArray DecodeStoredPassword(const QString &encoded)
{
    QString reversed;
    reversed.reserve(encoded.size());
    for (auto it = encoded.crbegin(); it != encoded.crend(); ++it)
        reversed += *it;

    QString regrouped;
    regrouped.reserve(reversed.size());
    for (int start = 0; start < 3; ++start)
        for (qsizetype i = start; i < reversed.size(); i += 3)
            regrouped += reversed.at(i);

    QByteArray result;
    QString prefix;
    for (qsizetype i = 0; i < regrouped.size(); i += 3) {
        const QString group = regrouped.mid(i, 3);
        if (group.startsWith(QLatin1Char('O'))) {
            if (group == QLatin1String("OOO")) {
                prefix = QStringLiteral("-");
            } else {
                bool ok = false;
                const int tail = group.right(2).toInt(&ok);
                prefix = QStringLiteral("-") + QString::number(100 - (ok ? tail : 0));
            }
            continue;
        }
        bool ok = false;
        const int value = group.toInt(&ok);
        const int n = group == QLatin1String("000") ? 0 : 1000 - (ok ? value : 0);
        if (prefix.isEmpty()) {
            if (n >= 0 && n <= 255)
                result += static_cast<char>(n);
            continue;
        }
        // A double-byte character: "-<prefix digits><n in three digits>" names the code 65536 + that number.
        const int number = (prefix + QStringLiteral("%1").arg(n, 3, 10, QLatin1Char('0'))).toInt(&ok);
        prefix.clear();
        const int code = 65536 + number;
        if (ok && code > 0 && code <= 0xFFFF) {
            result += static_cast<char>((code >> 8) & 0xFF);
            result += static_cast<char>(code & 0xFF);
        }
    }
    return result;
}
