#pragma once

#include <QString>
#include <QVersionNumber>
#include <optional>

// The version number an update reply names: the reply trimmed must be at most ten characters of three decimal
// numbers joined by "."; anything else (an error page, "1.2", "V1.2.3") names none.
std::optional<qint64> UpdateReplyNumber(const QString &reply);

// The trimmed reply when it names a version above `own`, otherwise the empty text.
QString NewerVersionIn(const QString &reply, const QVersionNumber &own);
