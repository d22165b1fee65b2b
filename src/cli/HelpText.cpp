#include "cli/HelpText.h"

#include "cli/DisplayWidth.h"

#include <QStringList>
#include <algorithm>

namespace {
// Where descriptions begin, unless the names reach past it.
constexpr int kDescriptionColumn = 26;

// A character after which a line may break without a space: wide (Chinese) ones.
bool breaksAfter(QChar c)
{
    return DisplayWidth(QString(c)) == 2;
}

// The words of `text`: runs between spaces, with wide characters as words of their own so that a line can break
// between them; `joined[i]` tells whether word i follows the one before without a space.
void splitWords(const QString &text, QStringList &words, QList<bool> &joined)
{
    const QStringList runs = text.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    for (const QString &run : runs) {
        QString word;
        bool first = true;
        const auto flush = [&] {
            if (word.isEmpty())
                return;
            words << word;
            joined << !first;
            first = false;
            word.clear();
        };
        for (const QChar c : run) {
            if (breaksAfter(c)) {
                flush();
                word = c;
                flush();
            } else {
                word += c;
            }
        }
        flush();
    }
}
} // namespace

QString WrapText(const QString &text, int indent, int columns)
{
    QStringList words;
    QList<bool> joined;
    splitWords(text, words, joined);
    const QString margin(indent, QLatin1Char(' '));
    const int room = std::max(1, columns - indent);
    QString out;
    QString line;
    int used = 0;
    for (qsizetype i = 0; i < words.size(); ++i) {
        const int width = DisplayWidth(words.at(i));
        const int gap = line.isEmpty() || joined.at(i) ? 0 : 1;
        if (!line.isEmpty() && used + gap + width > room) {
            out += margin + line + QLatin1Char('\n');
            line.clear();
            used = 0;
        }
        if (!line.isEmpty() && !joined.at(i)) {
            line += QLatin1Char(' ');
            ++used;
        }
        line += words.at(i);
        used += width;
    }
    if (!line.isEmpty())
        out += margin + line + QLatin1Char('\n');
    return out;
}

QString OptionsHelp(const QList<QCommandLineOption> &options, int columns)
{
    QString out;
    for (const QCommandLineOption &option : options) {
        QStringList names;
        for (const QString &name : option.names())
            names << (name.size() == 1 ? QStringLiteral("-") : QStringLiteral("--")) + name;
        QString left = QStringLiteral("  ") + names.join(QStringLiteral(", "));
        if (!option.valueName().isEmpty())
            left += QStringLiteral(" <%1>").arg(option.valueName());
        const QString description = WrapText(option.description(), kDescriptionColumn, columns);
        if (DisplayWidth(left) + 2 > kDescriptionColumn) {
            out += left + QLatin1Char('\n') + description;
        } else {
            // The first line of the description goes beside the names.
            out += left + QString(kDescriptionColumn - DisplayWidth(left), QLatin1Char(' ')) +
                   description.mid(kDescriptionColumn);
        }
    }
    return out;
}
