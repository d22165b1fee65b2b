#include "core/util/DeclaredCharset.h"

#include <QRegularExpression>

namespace {
// The value after "charset=" inside a meta element, quoted or not, as the HTML parser reads it.
const QRegularExpression &charsetValue()
{
    static const QRegularExpression pattern(QStringLiteral(R"((<meta\b[^>]*?\bcharset\s*=\s*["']?)([^"'\s;/>]*))"),
                                            QRegularExpression::CaseInsensitiveOption);
    return pattern;
}

const QRegularExpression &headStart()
{
    static const QRegularExpression pattern(QStringLiteral(R"(<head\b[^>]*>)"),
                                            QRegularExpression::CaseInsensitiveOption);
    return pattern;
}
} // namespace

QString WithDeclaredCharset(const QString &html, const QString &charset)
{
    QString result;
    result.reserve(html.size() + 32);
    qsizetype copied = 0;
    bool declared = false;
    QRegularExpressionMatchIterator it = charsetValue().globalMatch(html);
    while (it.hasNext()) {
        const QRegularExpressionMatch match = it.next();
        result += QStringView(html).sliced(copied, match.capturedEnd(1) - copied);
        result += charset;
        copied = match.capturedEnd(2);
        declared = true;
    }
    result += QStringView(html).sliced(copied);
    if (declared)
        return result;
    const QRegularExpressionMatch head = headStart().match(result);
    const QString meta = QStringLiteral("<meta charset=\"%1\">").arg(charset);
    if (head.hasMatch())
        return result.insert(head.capturedEnd(), meta);
    return meta + result;
}
