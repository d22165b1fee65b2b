// Free-download link extraction on arbitrary page text: gathering never crashes, every gathered entry is a clean
// "link|type" with a link that could be a download address, no link twice; the choice is always one of the
// well-formed entries' links (or empty when there is none) and follows the order of preference.
//
// The first input byte picks the input. 0: the rest is page text (any encoding, see FuzzInput). 1: the rest is a
// list of entries, one per line, handed to the chooser directly. 2: the rest is a token stream: each byte picks
// one of the markup pieces the rules look for, or stands for itself, so the fuzzer builds deep pages quickly.
#include "FuzzInput.h"

#include "core/pagetext/FreeLinks.h"

#include <QSet>
#include <QStringList>
#include <cstdio>
#include <cstdlib>

namespace {
const QString kMarker = QStringLiteral("(全网免费下载)");

QString tokenText(FuzzInput &input)
{
    static const QStringList tokens{
        kMarker,
        QStringLiteral("dl_item"),
        QStringLiteral("href="),
        QStringLiteral("\""),
        QStringLiteral("'"),
        QStringLiteral(" "),
        QStringLiteral(">"),
        QStringLiteral("<a class=\"dl_item\" href=\""),
        QStringLiteral("c-icon-pdf"),
        QStringLiteral("爱学术"),
        QStringLiteral(".pdf"),
        QStringLiteral(".PDF"),
        QStringLiteral("&#10;"),
        QStringLiteral("\r\n"),
        QStringLiteral("\t"),
        QStringLiteral("|"),
        QStringLiteral("http://a.example/"),
        QStringLiteral("HTTP://A.EXAMPLE/"),
        QString(QChar(0)),
        QStringLiteral("\r"),
        QStringLiteral("\n"),
        QStringLiteral(".doc"),
    };
    QString text;
    for (;;) {
        const uint8_t b = input.byte();
        if (b == 0 && text.size() > 0 && input.byte() == 0)
            break;
        if (b < tokens.size() * 8)
            text += tokens.at(b % tokens.size());
        else
            text += QChar(u'a' + (b % 26));
        if (text.size() > 20000)
            break;
    }
    return text;
}

bool endsWithPdf(const QString &link)
{
    return link.right(4).compare(QLatin1String(".pdf"), Qt::CaseInsensitive) == 0;
}

struct Entry {
    QString link;
    QString type;
};

// The well-formed entries 1..n, as the chooser sees them.
QList<Entry> wellFormed(const QStringList &entries)
{
    QList<Entry> out;
    for (qsizetype i = 1; i < entries.size(); ++i) {
        const QStringList parts = entries.at(i).split(u'|');
        if (parts.size() == 2)
            out.append({parts.at(0), parts.at(1)});
    }
    return out;
}

void checkChoice(const QStringList &entries, const QString &typeIn)
{
    QString type = typeIn;
    const QString link = 取出全网免费下载链接(entries, type);
    const QList<Entry> good = wellFormed(entries);
    if (good.isEmpty()) {
        FUZZ_CHECK(link.isEmpty());
        return;
    }
    bool found = false;
    for (const Entry &e : good)
        found = found || e.link == link;
    FUZZ_CHECK(found);

    bool markedPdf = false;
    bool anyPdf = false;
    bool anyMarked = false;
    for (const Entry &e : good) {
        markedPdf = markedPdf || (e.type.toLower() == u"pdf" && endsWithPdf(e.link));
        anyPdf = anyPdf || endsWithPdf(e.link);
        anyMarked = anyMarked || (!e.link.isEmpty() && e.type.toLower() == u"pdf");
    }
    if (markedPdf || anyPdf) {
        FUZZ_CHECK(endsWithPdf(link));
        FUZZ_CHECK(type == u"pdf");
    } else if (anyMarked) {
        FUZZ_CHECK(type == u"pdf");
    } else {
        FUZZ_CHECK(link == good.first().link);
        if (!typeIn.isEmpty())
            FUZZ_CHECK(type == typeIn);
    }
}

void checkGathering(const QString &page)
{
    QStringList entries{QStringLiteral("junk")};
    const int last = 提取全网免费下载链接组(page, entries);
    FUZZ_CHECK(last == entries.size() - 1);
    FUZZ_CHECK(entries.at(0).isEmpty());
    FUZZ_CHECK(last <= page.count(kMarker));
    QSet<QString> seen;
    for (qsizetype i = 1; i < entries.size(); ++i) {
        const QString &entry = entries.at(i);
        const qsizetype bar = entry.lastIndexOf(u'|');
        FUZZ_CHECK(bar > 0);
        const QString link = entry.left(bar);
        const QString type = entry.mid(bar + 1);
        FUZZ_CHECK(type.isEmpty() || type == u"pdf");
        FUZZ_CHECK(link == link.trimmed());
        for (const QChar c : link)
            FUZZ_CHECK(c != u' ' && c != u'"' && c != u'\'' && c != u'>' && c != u'\r' && c != u'\n' && c != u'\t' &&
                       c.unicode() != 0);
        FUZZ_CHECK(!seen.contains(link.toLower()));
        seen.insert(link.toLower());
    }
    checkChoice(entries, QString());
    checkChoice(entries, QStringLiteral("htm"));

    // A segment on its own: the same cleaning.
    QString segmentType = QStringLiteral("x");
    const QString link = 提取全网免费下载链接(page, segmentType);
    FUZZ_CHECK(segmentType.isEmpty() || segmentType == u"pdf");
    FUZZ_CHECK(!link.contains(u' ') && !link.contains(u'"') && !link.contains(u'\''));
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FuzzInput input(data, size);
    switch (input.byte() % 3) {
    case 0:
        checkGathering(input.text());
        break;
    case 1: {
        const QString text = input.text();
        QStringList entries = text.split(u'\n');
        entries.prepend(QString());
        checkChoice(entries, QString());
        checkChoice(entries, QStringLiteral("doc"));
        查找数组(entries, text.left(8));
        break;
    }
    default:
        checkGathering(tokenText(input));
        break;
    }
    return 0;
}
