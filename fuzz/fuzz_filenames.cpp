// File-name and path rules on arbitrary text: the names they make are always one safe component without a
// character that acts instead of showing, cuts never leave half a character, a document's name is never empty and
// stable, a title's markup and controls never survive into what a terminal is shown, and no input crashes or hangs
// them. fuzz_filenames.dict and seeds/fuzz_filenames/ (used by scripts/fuzz) steer it to controls, bidirectional
// overrides and character references.
#include "FuzzInput.h"

#include "core/util/AnsiCodePage.h"
#include "core/util/ControlCharacters.h"
#include "core/util/DocumentFileName.h"
#include "core/util/FileNameRules.h"
#include "core/util/HtmlEntities.h"

#include <cstdio>
#include <cstdlib>

namespace {
// GBK bytes as TruncateToAnsiBytes counts them: characters without a code take two bytes per UTF-16 unit.
int ansiBytes(const QString &text)
{
    int total = 0;
    forEachCodePoint(text, [&total](char32_t c, qsizetype, qsizetype units) {
        const int n = AnsiCodePage::byteCount(c);
        total += n ? n : int(2 * units);
        return true;
    });
    return total;
}

void checkTruncate(const QString &text, int limit)
{
    const QString cut = TruncateToAnsiBytes(text, limit);
    FUZZ_CHECK(text.startsWith(cut));
    FUZZ_CHECK(ansiBytes(cut) <= std::max(limit, 0));
    if (cut.size() < text.size()) {
        // Never half a character: the cut ends on a character boundary, and the next character did not fit.
        FUZZ_CHECK(!(cut.size() > 0 && cut.back().isHighSurrogate() && text[cut.size()].isLowSurrogate()));
        const qsizetype units =
            text[cut.size()].isHighSurrogate() && cut.size() + 1 < text.size() && text[cut.size() + 1].isLowSurrogate()
                ? 2
                : 1;
        FUZZ_CHECK(ansiBytes(text.left(cut.size() + units)) > limit);
    }
    // What GBK can hold comes back whole through GBK: no trail byte was left dangling.
    if (AnsiCodePage::canEncode(cut))
        FUZZ_CHECK(AnsiCodePage::decode(AnsiCodePage::encode(cut)) == cut);
}

bool hasControl(const QString &text)
{
    bool found = false;
    forEachCodePoint(text, [&found](char32_t c, qsizetype, qsizetype) {
        found = IsControlCharacter(c);
        return !found;
    });
    return found;
}

void checkDocumentName(const QString &text, const QString &address, bool fromAddress)
{
    const QString base = DocumentBaseName(text);
    FUZZ_CHECK(base == MakeSafeFileName(base));
    FUZZ_CHECK(DocumentBaseName(base) == base);
    if (!base.isEmpty()) {
        FUZZ_CHECK(!base.front().isSpace() && !base.back().isSpace());
        FUZZ_CHECK(base.front() != u'.' && base.back() != u'.');
    }
    const QString name = DocumentFileName(text, address, fromAddress);
    FUZZ_CHECK(!name.isEmpty());
    FUZZ_CHECK(DocumentBaseName(name) == name);
}

void checkTitleText(const QString &text)
{
    const QString decoded = DecodeHtmlEntities(text);
    FUZZ_CHECK(decoded.size() <= text.size());
    if (!text.contains(u'&'))
        FUZZ_CHECK(decoded == text);
    const QString clean = RemoveControlCharacters(decoded);
    FUZZ_CHECK(!hasControl(clean));
    FUZZ_CHECK(RemoveControlCharacters(clean) == clean);
    // What reaches a terminal: no control, no half character, every character printable or a joiner.
    const QString shown = EscapeNonPrintable(text);
    FUZZ_CHECK(!hasControl(shown));
    forEachCodePoint(shown, [](char32_t c, qsizetype, qsizetype units) {
        FUZZ_CHECK(units == 2 || !QChar::isSurrogate(c));
        FUZZ_CHECK(QChar::isPrint(c) || c == 0x200C || c == 0x200D);
        return true;
    });
}

void checkSafeName(const QString &text)
{
    const QString name = MakeSafeFileName(text);
    FUZZ_CHECK(!hasControl(name));
    for (const QChar c : {u'/', u'\\', u'\0', u'\r', u'\n', u':', u'*', u'?', u'"', u'<', u'>', u'|'})
        FUZZ_CHECK(!name.contains(c));
    FUZZ_CHECK(name != QLatin1String(".") && name != QLatin1String(".."));
    FUZZ_CHECK(!name.startsWith(u'.'));
    FUZZ_CHECK(!name.contains(QLatin1String("  ")));
    FUZZ_CHECK(ansiBytes(name) <= 200);
    FUZZ_CHECK(name.toUtf8().size() <= 255);
    for (qsizetype i = 0; i < name.size(); ++i) {
        if (name[i].isHighSurrogate())
            FUZZ_CHECK(i + 1 < name.size() && name[++i].isLowSurrogate());
        else
            FUZZ_CHECK(!name[i].isSurrogate());
    }
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FuzzInput input(data, size);
    const int limit = int(input.byte()) - 8; // a few negative limits too
    const QString text = input.text();

    checkTruncate(text, limit);
    checkSafeName(text);
    checkDocumentName(text, text.mid(text.size() / 2), limit & 1);
    checkTitleText(text);

    const QString stripped = StripLineBreaks(text);
    FUZZ_CHECK(!stripped.contains(u'\r') && !stripped.contains(u'\n') && !stripped.contains(QChar(u'\0')));

    QString base, extension;
    SplitPath(text, base, extension);
    FUZZ_CHECK(extension.size() <= 6);
    extension = SplitFileName(text, base);
    FUZZ_CHECK(extension.size() <= 6);

    const QString number = SplitBracketNumber(text, base);
    if (!number.isEmpty()) {
        FUZZ_CHECK(!base.isEmpty() && text.startsWith(base));
        FUZZ_CHECK(IsNumericText(number));
    } else {
        FUZZ_CHECK(base == text);
    }

    QString fileNamePart;
    extension = UrlFileNameAndExtension(text, fileNamePart);
    FUZZ_CHECK(extension.size() <= 6 && !extension.contains(u'/'));
    FUZZ_CHECK(fileNamePart.isEmpty() || text.contains(fileNamePart));

    const QString last = FileNameFromPath(text, input.byte() & 1);
    FUZZ_CHECK(!last.contains(u'/') && !last.contains(u'\\'));
    return 0;
}
