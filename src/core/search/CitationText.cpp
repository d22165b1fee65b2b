#include "core/search/CitationText.h"

#include "core/search/Citation.h"
#include "core/util/HtmlEntities.h"

namespace {
bool isTagStart(QChar c)
{
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || c == u'/' || c == u'!';
}

// The tag's name, lower case, without "/" ("br" for "<br/>", "p" for "</p>").
QStringView tagName(QStringView tag)
{
    qsizetype from = 1;
    while (from < tag.size() && (tag.at(from) == u'/' || tag.at(from) == u'!'))
        ++from;
    qsizetype to = from;
    while (to < tag.size() && tag.at(to).isLetterOrNumber())
        ++to;
    return tag.mid(from, to - from);
}

// Tags out; those that break a line (br, p, div, li) leave a blank so the words on both sides stay apart.
QString withoutTags(const QString &text)
{
    if (!text.contains(u'<'))
        return text;
    QString out;
    out.reserve(text.size());
    qsizetype i = 0;
    while (i < text.size()) {
        const QChar c = text.at(i);
        const qsizetype close =
            c == u'<' && i + 1 < text.size() && isTagStart(text.at(i + 1)) ? text.indexOf(u'>', i + 1) : -1;
        // A tag holds no "<" of its own; "a <b and c> d" written as text is not one.
        if (close < 0 || QStringView(text).mid(i + 1, close - i - 1).contains(u'<')) {
            out += c;
            ++i;
            continue;
        }
        const QString name = tagName(QStringView(text).mid(i, close - i + 1)).toString().toLower();
        if (name == u"br" || name == u"p" || name == u"div" || name == u"li")
            out += u' ';
        i = close + 1;
    }
    return out;
}
} // namespace

QString PlainCitationText(const QString &text)
{
    return OneLineText(DecodeHtmlEntities(withoutTags(text)));
}
