#include "core/pagetext/FreeLinks.h"

#include "core/util/FileNameRules.h"

namespace {

// The points where the service's page markup is read.
const QString kMarker = QStringLiteral("(全网免费下载)");
const QString kSourceBlock = QStringLiteral("dl_item");
const QString kHref = QStringLiteral("href=");
const QString kNeverTaken = QStringLiteral("爱学术");
const QString kPdfIcon = QStringLiteral("c-icon-pdf");

struct Entry {
    QString link;
    QString type;
};

// An entry splits at "|" into exactly a link and a type; anything else is malformed.
std::optional<Entry> parseEntry(const QString &entry)
{
    const QStringList parts = entry.split(QLatin1Char('|'));
    if (parts.size() != 2)
        return std::nullopt;
    return Entry{parts.at(0), parts.at(1)};
}

bool endsWithPdf(const QString &link)
{
    return link.right(4).toLower() == u".pdf";
}

} // namespace

QString 提取全网免费下载链接(const QString &segment, QString &type)
{
    type.clear();
    const qsizetype block = segment.lastIndexOf(kSourceBlock, -1, Qt::CaseInsensitive);
    if (block < 0)
        return {};
    QString s = segment.mid(block + kSourceBlock.size());
    const qsizetype href = s.lastIndexOf(kHref, -1, Qt::CaseInsensitive);
    if (href < 0)
        return {};
    s = s.mid(href + kHref.size()).trimmed();
    if (s.startsWith(QLatin1Char('"')))
        s = s.mid(1).trimmed();
    if (s.startsWith(QLatin1Char('\'')))
        s = s.mid(1).trimmed();
    if (s.contains(kNeverTaken, Qt::CaseInsensitive))
        return {};
    if (s.contains(kPdfIcon, Qt::CaseInsensitive))
        type = QStringLiteral("pdf");

    s.replace(QLatin1Char('"'), QLatin1Char(' '));
    s.replace(QLatin1Char('\''), QLatin1Char(' '));
    s.replace(QLatin1Char('>'), QLatin1Char(' '));
    s.replace(QStringLiteral("&#10;"), QStringLiteral(" "));
    s.remove(QStringLiteral("\r\n"));
    s.remove(QLatin1Char('\t'));
    s.remove(QChar(u'\0'));
    s.remove(QLatin1Char('\n'));
    s.remove(QLatin1Char('\r'));

    // The link ends at the first space; an address with nothing after it never ended, so it is not taken.
    const qsizetype space = s.indexOf(QLatin1Char(' '));
    return space < 0 ? QString() : s.left(space);
}

bool 查找数组(const QStringList &array, const QString &value)
{
    const QString wanted = value.toLower();
    for (const QString &element : array) {
        if (element.toLower() == wanted)
            return true;
    }
    return false;
}

int 提取全网免费下载链接组(const QString &pageText, QStringList &entries)
{
    entries = QStringList{QString()};
    const QStringList parts = pageText.split(kMarker);
    if (parts.size() < 2)
        return 0;
    QStringList links{QString()};
    for (qsizetype i = 0; i + 1 < parts.size(); ++i) {
        QString segmentType;
        const QString link = 提取全网免费下载链接(parts.at(i).trimmed(), segmentType).trimmed();
        if (link.isEmpty() || 查找数组(links, link))
            continue;
        links.append(link);
        entries.append(link + QLatin1Char('|') + segmentType);
    }
    return static_cast<int>(entries.size() - 1);
}

QString 取出全网免费下载链接(const QStringList &entries, QString &type)
{
    QList<Entry> wellFormed;
    for (qsizetype i = 1; i < entries.size(); ++i) {
        if (auto e = parseEntry(entries.at(i)))
            wellFormed.append(*e);
    }

    const auto firstWhere = [&](auto rule) -> const Entry * {
        for (const Entry &e : wellFormed) {
            if (rule(e))
                return &e;
        }
        return nullptr;
    };
    const Entry *chosen = firstWhere([](const Entry &e) { return e.type.toLower() == u"pdf" && endsWithPdf(e.link); });
    if (!chosen)
        chosen = firstWhere([](const Entry &e) { return endsWithPdf(e.link); });
    if (!chosen)
        chosen = firstWhere([](const Entry &e) { return !e.link.isEmpty() && e.type.toLower() == u"pdf"; });

    QString result;
    if (chosen) {
        result = chosen->link;
        type = QStringLiteral("pdf");
    } else if (!wellFormed.isEmpty()) {
        result = wellFormed.first().link;
    }
    if (type.isEmpty()) {
        QString fileNamePart;
        type = UrlFileNameAndExtension(result, fileNamePart);
    }
    return result;
}
