#include "core/store/IniLineCheck.h"

#include "core/store/StoreTexts.h"

#include <QSet>

namespace {
// The file's lines without their ends (CR LF, LF or CR).
QList<QByteArray> linesOf(const QByteArray &data)
{
    QList<QByteArray> lines;
    qsizetype start = 0;
    for (qsizetype i = 0; i < data.size(); ++i) {
        if (data[i] != '\n' && data[i] != '\r')
            continue;
        lines.append(data.mid(start, i - start));
        if (data[i] == '\r' && i + 1 < data.size() && data[i + 1] == '\n')
            ++i;
        start = i + 1;
    }
    if (start < data.size())
        lines.append(data.mid(start));
    return lines;
}

// Why the line does not stand on its own; empty when it does.
QString problemOf(const QByteArray &raw)
{
    const QByteArray line = raw.trimmed();
    if (line.isEmpty() || line.startsWith(';'))
        return {};
    if (line.startsWith('['))
        return line.contains(']') ? QString() : StoreTexts::kIniSectionUnclosed;
    bool inQuotes = false;
    bool equals = false;
    for (qsizetype i = 0; i < line.size(); ++i) {
        const char ch = line[i];
        if (ch == '\\') {
            if (i + 1 == line.size())
                return StoreTexts::kIniLineJoined;
            ++i;
        } else if (ch == '"') {
            inQuotes = !inQuotes;
        } else if (ch == '=' && !inQuotes) {
            equals = true;
        } else if (ch == ';' && !inQuotes) {
            break; // the rest is a comment
        }
    }
    if (inQuotes)
        return StoreTexts::kIniQuoteUnclosed;
    return equals ? QString() : StoreTexts::kIniNotAKey;
}
} // namespace

QList<SettingsFileProblem> FindIniProblems(const QByteArray &data)
{
    QList<SettingsFileProblem> problems;
    const QList<QByteArray> lines = linesOf(data);
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QString reason = problemOf(lines.at(i));
        if (!reason.isEmpty())
            problems.append({static_cast<int>(i + 1), reason});
    }
    return problems;
}

QByteArray WithoutLines(const QByteArray &data, const QList<SettingsFileProblem> &problems)
{
    QSet<int> faulty;
    for (const SettingsFileProblem &p : problems)
        faulty.insert(p.line);
    QByteArray out;
    const QList<QByteArray> lines = linesOf(data);
    for (qsizetype i = 0; i < lines.size(); ++i) {
        if (!faulty.contains(static_cast<int>(i + 1)))
            out += lines.at(i);
        out += '\n';
    }
    return out;
}
