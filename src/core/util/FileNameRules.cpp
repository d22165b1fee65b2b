#include "core/util/FileNameRules.h"

#include "core/util/AnsiCodePage.h"
#include "core/util/ControlCharacters.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <cerrno>
#include <filesystem>
#include <system_error>

namespace {
constexpr int kSafeNameAnsiBytes = 200;
constexpr int kExtensionMaxLength = 6;
constexpr qsizetype kUniqueBaseMaxLength = 100;

#ifndef Q_OS_WIN
// Linux limits one name to 255 bytes of UTF-8, where a Chinese character takes three (two in GBK). A safe name
// keeps room for a "[10000]" counter, the dot and an extension as long as "vnd.rn-realmedia".
constexpr int kNameMaxBytes = 255;
constexpr int kSafeNameMaxBytes = 225;
constexpr int kCounterReserveBytes = 8;
#endif

QString trimSpaces(const QString &text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && text[begin] == u' ')
        ++begin;
    while (end > begin && text[end - 1] == u' ')
        --end;
    return text.mid(begin, end - begin);
}

#ifndef Q_OS_WIN
int utf8Bytes(char32_t c)
{
    if (c < 0x80)
        return 1;
    if (c < 0x800)
        return 2;
    if (c < 0x10000)
        return 3;
    return 4;
}

// The longest prefix whose UTF-8 form has at most `maxBytes` bytes, never splitting a character.
QString fitUtf8Bytes(const QString &text, int maxBytes)
{
    int used = 0;
    qsizetype keep = text.size();
    forEachCodePoint(text, [&](char32_t c, qsizetype index, qsizetype) {
        used += utf8Bytes(c);
        if (used > maxBytes) {
            keep = index;
            return false;
        }
        return true;
    });
    return text.left(keep);
}
#endif

// Cuts to at most `length` UTF-16 units without leaving half a surrogate pair.
QString leftChars(const QString &text, qsizetype length)
{
    if (text.size() <= length)
        return text;
    if (length > 0 && text[length - 1].isHighSurrogate())
        --length;
    return text.left(length);
}

void removeLineBreaksAndNul(QString &text)
{
    text.remove(QStringLiteral("\r\n"));
    text.remove(QStringLiteral("\r\n"));
    text.remove(u'\n');
    text.remove(u'\r');
    text.remove(QChar(u'\0'));
}

// Half of a surrogate pair is no character at all and has no form on disk.
void removeLoneSurrogates(QString &text)
{
    qsizetype out = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c.isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            text[out++] = c;
            text[out++] = text[++i];
        } else if (!c.isSurrogate()) {
            text[out++] = c;
        }
    }
    text.truncate(out);
}

bool isFileSystemEntry(const QString &path)
{
    // A folder or a dangling link takes a name just as a file does.
    const QFileInfo info(path);
    return info.exists() || info.isSymLink();
}
} // namespace

bool IsNumericText(const QString &text)
{
    static const QRegularExpression number(QStringLiteral("^ *[+-]?(\\d+(\\.\\d*)?|\\.\\d+) *$"));
    return number.match(text).hasMatch();
}

QString TruncateToAnsiBytes(const QString &text, int maxBytes)
{
    if (maxBytes <= 0)
        return {};
    int used = 0;
    qsizetype keep = text.size();
    forEachCodePoint(text, [&](char32_t c, qsizetype index, qsizetype units) {
        int cost = AnsiCodePage::byteCount(c);
        if (cost == 0)
            cost = int(2 * units);
        if (used + cost > maxBytes) {
            keep = index;
            return false;
        }
        used += cost;
        return true;
    });
    return text.left(keep);
}

QString MakeSafeFileName(const QString &text)
{
    QString name = text;
    for (const QChar c : {u'\\', u'/', u':', u'*', u'?', u'"', u'<', u'>', u'|'})
        name.remove(c);
    name = RemoveControlCharacters(name);
    removeLoneSurrogates(name);

    qsizetype begin = 0;
    while (begin < name.size() && name[begin] == u'.')
        ++begin;
    qsizetype end = name.size();
    while (end > begin && name[end - 1] == u'.')
        --end;
    name = name.mid(begin, end - begin);

    while (name.contains(QStringLiteral("  ")))
        name.replace(QStringLiteral("  "), QStringLiteral(" "));

    name = TruncateToAnsiBytes(name, kSafeNameAnsiBytes);
#ifndef Q_OS_WIN
    name = fitUtf8Bytes(name, kSafeNameMaxBytes);
#endif
    return name;
}

QString MakeUniqueFileName(const QString &path)
{
    if (!isFileSystemEntry(path))
        return path;
    const qsizetype slash = path.lastIndexOf(kPathSeparator);
    if (slash < 0)
        return path;
    const QString folder = path.left(slash + 1);
    const QString name = path.mid(slash + 1);

    QString base = name;
    QString extension;
    const qsizetype dot = name.lastIndexOf(u'.');
    if (dot >= 0) {
        extension = name.mid(dot + 1);
        base = name.left(dot);
    }
    base = leftChars(base, kUniqueBaseMaxLength);
#ifndef Q_OS_WIN
    const int extensionBytes = extension.isEmpty() ? 0 : 1 + int(extension.toUtf8().size());
    const int baseBudget = kNameMaxBytes - kCounterReserveBytes - extensionBytes;
    if (baseBudget > 0)
        base = fitUtf8Bytes(base, baseBudget);
#endif

    if (base.endsWith(u']')) {
        const qsizetype open = base.lastIndexOf(u'[', base.size() - 2);
        if (open >= 0 && IsNumericText(base.mid(open + 1, base.size() - open - 2)))
            base = base.left(open);
    }

    const QString suffix = extension.isEmpty() ? QString() : QLatin1Char('.') + extension;
    QString candidate = folder + base + suffix;
    for (int counter = 1; isFileSystemEntry(candidate); ++counter)
        candidate = folder + base + QLatin1Char('[') + QStringLiteral("%1").arg(counter, 4, 10, QLatin1Char('0')) +
                    QLatin1Char(']') + suffix;
    return candidate;
}

QString CreateFolderPath(const QString &path, QString *reason, int *errorNumber)
{
    const auto fail = [reason, errorNumber](const QString &why, int number) {
        if (reason)
            *reason = why;
        if (errorNumber)
            *errorNumber = number;
        return QString();
    };
    if (path.isEmpty())
        return fail(QStringLiteral("no folder given"), EINVAL);
    // The file system could not even be asked: the name would end at the NUL.
    if (path.contains(QChar(u'\0')))
        return fail(QStringLiteral("a folder name cannot hold a NUL character"), EINVAL);

    // Trailing separators go, the root's own stays.
    QString folder = path;
#ifdef Q_OS_WIN
    while (folder.size() > 1 && folder.endsWith(kPathSeparator) && !folder.endsWith(QStringLiteral(":\\")))
        folder.chop(1);
    const std::filesystem::path native(folder.toStdWString());
#else
    while (folder.size() > 1 && folder.endsWith(kPathSeparator))
        folder.chop(1);
    const std::filesystem::path native(QFile::encodeName(folder).toStdString());
#endif
    std::error_code error;
    std::filesystem::create_directories(native, error);
    if (error)
        return fail(QString::fromLocal8Bit(error.message()), error.value());
    if (!IsExistingFolder(folder))
        return fail(QStringLiteral("not a folder"), ENOTDIR);
    return folder;
}

bool IsExistingFile(const QString &path)
{
    QString local = trimSpaces(path);
    if (local.left(8).toLower() == QLatin1String("file:///")) {
#ifdef Q_OS_WIN
        local = local.mid(8);
#else
        local = local.mid(7); // keep the root "/"
#endif
    }
#ifdef Q_OS_WIN
    local.replace(u'/', u'\\');
#endif
    if (local.isEmpty())
        return false;
    return QFileInfo(local).isFile();
}

bool IsExistingFolder(const QString &path)
{
#ifdef Q_OS_WIN
    // A floppy drive is never probed: asking it without a disk stalls.
    if (path.toUpper() == QLatin1String("A:\\"))
        return true;
#endif
    if (trimSpaces(path).isEmpty())
        return false;
    return QFileInfo(path).isDir();
}

QString FileNameFromPath(const QString &path, bool dropExtension)
{
    QString name = path;
    const qsizetype slash = std::max(path.lastIndexOf(u'/'), path.lastIndexOf(u'\\'));
    if (slash >= 0)
        name = trimSpaces(path.mid(slash + 1));
    if (dropExtension) {
        const qsizetype dot = name.lastIndexOf(u'.');
        if (dot >= 0)
            name = trimSpaces(name.left(dot));
    }
    return name;
}

QString SplitPath(const QString &path, QString &baseName, QString &extension)
{
    const QString trimmed = trimSpaces(path);
    const qsizetype slash = trimmed.lastIndexOf(kPathSeparator);
    const QString folder = trimmed.left(slash + 1);
    const QString name = trimmed.mid(slash + 1);

    baseName = name;
    extension.clear();
    const qsizetype dot = name.lastIndexOf(u'.');
    if (dot >= 0 && name.size() - dot - 1 <= kExtensionMaxLength) {
        baseName = name.left(dot);
        extension = name.mid(dot + 1);
    }
    baseName = trimSpaces(baseName);
    extension = trimSpaces(extension);
    if (baseName.isEmpty()) {
        baseName = name;
        extension.clear();
    }
    return folder;
}

QString SplitFileName(const QString &path, QString &baseName)
{
    const QString trimmed = trimSpaces(path);
    const QString name = trimmed.mid(trimmed.lastIndexOf(kPathSeparator) + 1);

    baseName = name;
    QString extension;
    const qsizetype dot = name.lastIndexOf(u'.');
    if (dot >= 0 && name.size() - dot - 1 <= kExtensionMaxLength) {
        baseName = name.left(dot);
        extension = name.mid(dot + 1);
    }
    baseName = trimSpaces(baseName);
    return trimSpaces(extension);
}

QString SplitBracketNumber(const QString &name, QString &baseName)
{
    baseName = name;
    if (!name.endsWith(u']'))
        return {};
    const qsizetype open = name.lastIndexOf(u'[', name.size() - 2);
    if (open < 0)
        return {};
    const QString inner = trimSpaces(name.mid(open + 1, name.size() - open - 2));
    if (!IsNumericText(inner) || open == 0)
        return {};
    baseName = name.left(open);
    return inner;
}

QString UrlFileNameAndExtension(const QString &address, QString &fileNamePart)
{
    static const QString scheme = QStringLiteral("://");
    QString working = address;
    bool nested = false;
    const qsizetype first = working.indexOf(scheme);
    if (first >= 0) {
        working = working.mid(first + scheme.size());
        const qsizetype second = working.indexOf(scheme);
        if (second >= 0) {
            nested = true;
            working = working.left(second);
        }
    }

    working = working.mid(std::max(working.lastIndexOf(u'/'), working.lastIndexOf(u'\\')) + 1);
    for (const QChar stop : {u'#', u'\b', u'\t', u'\n', u'\r', u':', u'*', u'<', u'>', u'|', u'"', u'\''}) {
        const qsizetype at = working.indexOf(stop);
        if (at >= 0)
            working = working.left(at);
    }

    fileNamePart = working;
    if (nested && !working.isEmpty()) {
        const qsizetype at = address.indexOf(working);
        if (at >= 0)
            fileNamePart = address.mid(at);
    }

    QString stem = working;
    for (const QChar stop : {u'=', u'?'}) {
        const qsizetype at = stem.indexOf(stop);
        if (at >= 0)
            stem = stem.left(at);
    }
    const qsizetype dot = stem.lastIndexOf(u'.');
    if (dot < 0)
        return {};
    const QString extension = trimSpaces(stem.mid(dot + 1));
    return extension.size() <= kExtensionMaxLength ? extension : QString();
}

QString StripLineBreaks(const QString &text)
{
    QString stripped = text;
    removeLineBreaksAndNul(stripped);
    return stripped;
}
